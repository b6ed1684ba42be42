# Batch builds (VESSAMIRE_UNITY): sources compiled alone although their target
# is built in batches. Each defines a file-local name (in an anonymous
# namespace or static) that another source of its target defines too, or (the
# socket layer, platform/net) includes the system's socket headers, which
# clash with our stand-in winsock2.h; such sources cannot share a translation
# unit. Renaming the clashing names would let most of them batch again. Paths
# are relative to the source tree.
set(VESSAMIRE_UNITY_ALONE
    engine/graphics/device_setup.cpp
    engine/graphics/display_modes.cpp
    engine/graphics/draw_target.cpp
    engine/graphics/transforms.cpp
    engine/graphics/vertex_batch.cpp
    engine/image/dib_conversion.cpp
    engine/image/pixel_pairs.cpp
    engine/image/soft_images.cpp
    engine/input/keyboard.cpp
    engine/soft/blit_kernels_32.cpp
    engine/soft/run_table_blit_32.cpp
    engine/sound/movie/movie_directshow.cpp
    engine/sound/movie/movie_handles.cpp
    engine/sound/sound_device_startup.cpp
    engine/sound/sound_handles.cpp
    engine/sound/stream_sounds.cpp
    engine/window/main_window.cpp
    engine/window/window_procedure.cpp
    game/world/bullet_patterns.cpp
    game/world/patterns_items.cpp
    game/world/player_controls.cpp
    platform/d3d9/kernels/blur_rows.cpp
    platform/d3d9/kernels/filter_kernels.cpp
    platform/d3d9/kernels/two_d_kernels.cpp
    platform/d3d9/raster/rasteriser.cpp
    platform/input/sdl_joysticks.cpp
    platform/net/name_resolution.cpp
    platform/net/select_watcher.cpp
    platform/net/socket_table.cpp
    platform/net/winsock_exports.cpp
    platform/win32/gdi_objects.cpp
    platform/win32/module_registry.cpp
    tests/engine/graphics/box_shapes_test.cpp
    tests/engine/graphics/draw_brackets_test.cpp
    tests/engine/graphics/draw_paths_test.cpp
    tests/engine/graphics/draw_state_apply_test.cpp
    tests/engine/graphics/graphic_filters_test.cpp
    tests/engine/graphics/graphic_handles_test.cpp
    tests/engine/graphics/graphics_road_test.cpp
    tests/engine/graphics/graphics_startup_test.cpp
    tests/engine/graphics/present_test.cpp
    tests/engine/graphics/quad_draws_test.cpp
    tests/engine/graphics/software_draw_test.cpp
    tests/engine/image/video_frames_test.cpp
    tests/engine/soft_modes/textured_modes_pinned_test.cpp
    tests/engine/soft_shapes/triangle_coverage_test.cpp
    tests/engine/window/window_procedure_test.cpp
    tests/platform/d3d9/refusals_test.cpp
    tests/platform/d3d9_raster/coverage_test.cpp
    tests/platform/d3d9_raster/held_row_reads_test.cpp
    tests/platform/d3d9_raster/held_rows_test.cpp
    tests/platform/d3d9_raster/pixel_kernels_test.cpp
    tests/platform/d3d9_raster/refusals_test.cpp
    tests/platform/d3d9_raster/span_rows_test.cpp
    tests/platform/d3d9_raster/texture_stages_test.cpp
    tests/platform/d3d9_raster/texturing_test.cpp
    tests/platform/d3d9_raster/two_d_kernels_test.cpp
    tests/platform/files/temp_files_test.cpp
    tests/platform/fonts/glyph_outline_test.cpp
    tests/platform/fonts/text_metrics_test.cpp
    tests/platform/user/windows_test.cpp
    tools/demo_gen/backgrounds.cpp
    tools/demo_gen/sounds.cpp
    tools/demo_gen/stages.cpp
)

# Source properties belong to the folder whose targets use them: mark the
# listed sources in every folder of the build. Called once all folders are added.
function(vessamire_unity_exclusions)
  set(dirs ${CMAKE_SOURCE_DIR})
  set(pending ${CMAKE_SOURCE_DIR})
  while(pending)
    list(POP_FRONT pending dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    list(APPEND pending ${subdirs})
  endwhile()
  list(TRANSFORM VESSAMIRE_UNITY_ALONE PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE files)
  if(files)
    set_property(SOURCE ${files} DIRECTORY ${dirs} PROPERTY SKIP_UNITY_BUILD_INCLUSION ON)
  endif()
endfunction()

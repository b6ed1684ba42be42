// Sound: conversion, output, music and streams, as engine start-up, shutdown,
// the message pump and the window procedure call them.
#pragma once

namespace DuRud {

int InitSoundConvert();  // 0, or -1 when the compression manager is missing
int InitSoundSystem();   // output, music output, handle types, refill thread
int TerminateSoundSystem();
int TerminateSoundConvert();
int StopCurrentMusic();    // stops and deletes the current music
int RefillStreamSounds();  // the pump calls these two without a refill thread
int RefillSoftSoundPlayers();
int PollMusicPlayState();
int HandleMidiNotify();
int PauseAllSounds(int pause);  // 1 stops and marks, 0 restarts the marked
int PauseSoftSoundPlayers(int pause);

}  // namespace DuRud

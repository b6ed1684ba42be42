#!/usr/bin/env bash
# One zav command-line case: zav_tool_test.sh <zav binary> <case>.
set -u
zav=$1
case_name=$2
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1

die() { echo "FAIL: $*" >&2; exit 1; }

# Runs zav expecting an exit code; keeps stdout in out.txt, stderr in err.txt.
expect() {
  local want=$1; shift
  "$zav" "$@" >out.txt 2>err.txt
  local got=$?
  [[ $got -eq $want ]] || { cat err.txt >&2; die "zav $* exited $got, expected $want"; }
}

make_tree() {
  mkdir -p src/sub/deeper src/empty_dir
  printf 'hello hello hello hello hello\n' >src/a.txt
  : >src/empty.bin
  for i in $(seq 1 200); do echo "line $i of a repetitive text file"; done >src/sub/lines.list
  head -c 3000 /dev/urandom >src/sub/deeper/noise.bin
  printf 'named in code page 932\n' >"src/sub/日本語ファイル.txt"
}

case "$case_name" in
round_trip_versions)
  make_tree
  for v in 0 1 2 3 4 5; do
    for key in "" "qorvintabelux"; do
      rm -rf out.zav x
      if [[ -n $key ]]; then expect 0 pack src out.zav --version $v --key "$key"
      else expect 0 pack src out.zav --version $v; fi
      if [[ -n $key ]]; then expect 0 extract out.zav x --key "$key"
      else expect 0 extract out.zav x; fi
      diff -r src x >/dev/null || die "version $v key '$key': extracted tree differs"
    done
  done
  rm -rf out.zav x
  expect 0 pack src out.zav --no-compress
  expect 0 extract out.zav x
  diff -r src x >/dev/null || die "--no-compress tree differs"
  ;;
stored_when_not_shrinking)
  mkdir src; head -c 5000 /dev/urandom >src/random.bin; yes abc | head -c 5000 >src/text.txt
  expect 0 pack src out.zav
  expect 0 list out.zav
  grep -qP '^random.bin\t5000\t-\t' out.txt || die "random member not stored: $(cat out.txt)"
  grep -qP '^text.txt\t5000\t[0-9]+\t' out.txt || die "text member not packed: $(cat out.txt)"
  ;;
old_versions_store_all)
  mkdir src; yes abc | head -c 5000 >src/text.txt
  for v in 0 1; do
    expect 0 pack src out$v.zav --version $v
    expect 0 list out$v.zav
    grep -qP '^text.txt\t5000\t-\t' out.txt || die "version $v packed a member"
  done
  ;;
list_output)
  make_tree
  touch -d '2020-01-02 03:04:05 UTC' src/a.txt
  expect 0 pack src out.zav --key k
  expect 0 list out.zav --key k
  grep -qP '^a.txt\t30\t[0-9]+\t2020-01-02 03:04:05$' out.txt || die "a.txt line: $(cat out.txt)"
  grep -qP '^sub/日本語ファイル.txt\t23\t' out.txt || die "code page 932 name missing"
  grep -qP '^empty_dir/\t' out.txt || die "empty directory missing"
  ;;
missing_directory)
  expect 1 pack nowhere out.zav
  grep -q nowhere err.txt || die "message does not name the directory"
  [[ $(wc -l <err.txt) -eq 1 ]] || die "more than one line"
  [[ ! -e out.zav ]] || die "output left behind"
  ;;
unreadable_file)
  mkdir src; echo x >src/ok.txt
  if [[ $(id -u) -eq 0 ]]; then ln -s /nonexistent/target src/bad.txt
  else echo y >src/bad.txt; chmod 000 src/bad.txt; fi
  expect 1 pack src out.zav
  grep -q 'bad.txt' err.txt || die "message does not name the file: $(cat err.txt)"
  [[ ! -e out.zav && ! -e out.zav.partial ]] || die "output left behind"
  ;;
version_seven)
  mkdir src; echo x >src/a
  expect 2 pack src out.zav --version 7
  grep -q usage err.txt || die "no usage text"
  [[ ! -e out.zav ]] || die "output left behind"
  ;;
unknown_option)
  mkdir src
  expect 2 pack src out.zav --fast
  grep -q usage err.txt || die "no usage text"
  expect 2 frobnicate
  ;;
no_arguments)
  expect 2
  expect 2 list
  expect 2 extract only_one.zav
  ;;
wrong_key)
  make_tree
  expect 0 pack src out.zav --key right
  expect 1 list out.zav --key wrong
  grep -q out.zav err.txt || die "message does not name the archive"
  expect 1 extract out.zav x --key wrong
  expect 1 list out.zav
  ;;
corrupt_archive)
  make_tree
  expect 0 pack src out.zav
  head -c 100 out.zav >cut.zav
  expect 1 list cut.zav
  expect 1 extract cut.zav x
  head -c 4000 /dev/urandom >noise.zav
  expect 1 list noise.zav
  : >empty.zav
  expect 1 list empty.zav
  expect 1 list missing.zav
  ;;
name_outside_code_page)
  mkdir src; echo x >"src/smile😀.txt"
  expect 1 pack src out.zav
  grep -q 'smile' err.txt || die "message does not name the file"
  [[ ! -e out.zav ]] || die "output left behind"
  ;;
duplicate_upper_names)
  mkdir src; echo x >src/readme.txt; echo y >src/README.TXT
  expect 1 pack src out.zav
  [[ ! -e out.zav ]] || die "output left behind"
  ;;
archive_past_2_gib)
  # Sparse: 2 GiB of stored member costs no disk, and is refused unread.
  mkdir -p src/sub; echo small >src/a.txt; truncate -s 2147483648 src/sub/big.bin
  expect 2 pack src out.zav --no-compress
  grep -q "2 GiB" err.txt || die "no reason given: $(cat err.txt)"
  expect 2 pack src out.zav --version 1
  [[ ! -e out.zav && ! -e out.zav.partial ]] || die "output left behind"
  ;;
*)
  die "unknown case $case_name"
  ;;
esac
exit 0

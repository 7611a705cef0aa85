#!/usr/bin/env bash
# Makes the ID3v2.4 and ID3v2.2 sample files of this folder. The taggers are only used to make
# these files (Debian packages ffmpeg, eyed3 and python3-mutagen); the program does not need them.
# No tagger at hand writes ID3v2.2 (mutagen and ffmpeg write 2.3 and 2.4, eyeD3 1.1, 2.3 and
# 2.4), so that tag comes from the test builder. Run from the repository root:
#   tests/data/id3v2/make_v24_files.sh
set -euo pipefail
out=tests/data/id3v2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 0.3 s of silence, 8 kHz mono at 8 kbit/s: a few MPEG frames, no tag.
ffmpeg -hide_banner -loglevel error -f lavfi -i anullsrc=r=8000:cl=mono -t 0.3 \
  -c:a libmp3lame -b:a 8k -write_xing 0 -id3v2_version 0 "$work/silent.mp3"

# mutagen's EasyID3 with its defaults: ID3v2.4, UTF-8, several values in one frame.
cp "$work/silent.mp3" "$out/mutagen_v24_utf8.mp3"
/usr/bin/python3 - "$out/mutagen_v24_utf8.mp3" <<'PY'
import sys
from mutagen.easyid3 import EasyID3
tag = EasyID3()
tag["title"] = "Łódź nocą"
tag["artist"] = ["Мумий Тролль", "Zoë"]
tag["album"] = "東京ラブストーリー"
tag["genre"] = "17"
tag.save(sys.argv[1])
PY

# mutagen's ID3 frames in UTF-16 with byte-order marks (encoding 1), two genres.
cp "$work/silent.mp3" "$out/mutagen_v24_utf16.mp3"
/usr/bin/python3 - "$out/mutagen_v24_utf16.mp3" <<'PY'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TCON
tag = ID3()
tag.add(TIT2(encoding=1, text="Ψυχή μου"))
tag.add(TPE1(encoding=1, text="Céline Dion/Garou"))
tag.add(TALB(encoding=1, text="Über den Wolken"))
tag.add(TCON(encoding=1, text=["Chanson", "Pop"]))
tag.save(sys.argv[1])
PY

# eyeD3 with its defaults (ID3v2.4, UTF-8). Its comment comes first in the tag and is longer than
# 127 bytes, so the frames after it are found only through a synchsafe size.
cp "$work/silent.mp3" "$out/eyed3_v24.mp3"
eyeD3 --quiet --no-color -t "Москва — Петушки" -a "Björk" -A "Złote przeboje" -G "Electronic" \
  -c "$(printf 'Kommentar über %.0s' {1..12})" "$out/eyed3_v24.mp3" >/dev/null

# ffmpeg with its defaults (ID3v2.4).
ffmpeg -hide_banner -loglevel error -i "$work/silent.mp3" -c copy -metadata title="さくら" \
  -metadata artist="Édith Piaf" -metadata album="Ελληνικός χορός" \
  -metadata genre="Chanson française" "$out/ffmpeg_v24_scripts.mp3" -y

# ID3v2.2 from the test builder: 3-letter frames, UTF-16 and ISO-8859-1 texts.
cat >"$work/v22.cpp" <<'CPP'
#include <fstream>
#include <iostream>
#include <iterator>
#include "support/id3v2_builder.h"
using namespace plondex::test;
int main(int, char** argv) {
  std::ifstream in(argv[1], std::ios::binary);
  const std::string audio((std::istreambuf_iterator<char>(in)), {});
  const std::string tag = Id3v2Builder()
                              .Version(2, 0)
                              .Text16("TT2", u"Schöne Grüße")
                              .Text("TP1", "Mot\xF6rhead")
                              .Text16("TAL", u"Россия", Utf16Order::kBigEndian)
                              .Text("TCO", "(17)")
                              .Padding(64)
                              .Build();
  std::ofstream(argv[2], std::ios::binary) << tag << audio;
}
CPP
g++ -std=c++20 -Itests "$work/v22.cpp" tests/support/id3v2_builder.cpp -lz -o "$work/v22"
"$work/v22" "$work/silent.mp3" "$out/builder_v22.mp3"

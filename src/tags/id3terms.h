#pragma once

// Frame identifiers of the three ID3v2 generations and the frame kind each one stands for.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace plondex {

// One value per frame kind; kNone is no identifier. A kind may have a 4-letter identifier
// (ID3v2.3 or ID3v2.4), a 3-letter one (ID3v2.2), or both.
// clang-format off
enum class Id3FrameKind : uint8_t {
  kNone = 0,
  // ID3v2.3 (with their ID3v2.2 names where there is one)
  kAENC, kAPIC, kCOMM, kCOMR, kENCR, kEQUA, kETCO, kGEOB, kGRID, kIPLS,
  kLINK, kMCDI, kMLLT, kOWNE, kPRIV, kPCNT, kPOPM, kPOSS, kRBUF, kRVAD,
  kRVRB, kSYLT, kSYTC, kTALB, kTBPM, kTCOM, kTCON, kTCOP, kTDAT, kTDLY,
  kTENC, kTEXT, kTFLT, kTIME, kTIT1, kTIT2, kTIT3, kTKEY, kTLAN, kTLEN,
  kTMED, kTOAL, kTOFN, kTOLY, kTOPE, kTORY, kTOWN, kTPE1, kTPE2, kTPE3,
  kTPE4, kTPOS, kTPUB, kTRCK, kTRDA, kTRSN, kTRSO, kTSIZ, kTSRC, kTSSE,
  kTYER, kTXXX, kUFID, kUSER, kUSLT, kWCOM, kWCOP, kWOAF, kWOAR, kWOAS,
  kWORS, kWPAY, kWPUB, kWXXX,
  // ID3v2.4 only
  kASPI, kEQU2, kRVA2, kSEEK, kSIGN, kTDEN, kTDOR, kTDRC, kTDRL, kTDTG,
  kTIPL, kTMCL, kTMOO, kTPRO, kTSOA, kTSOP, kTSOT, kTSST,
  // ID3v2.2 only
  kCRM, kTSS,
};
// clang-format on

inline constexpr int kId3FrameKindCount = static_cast<int>(Id3FrameKind::kTSS) + 1;

struct Id3Term {
  Id3FrameKind kind;
  std::string_view id4;  // empty when the kind has no 4-letter identifier
  std::string_view id3;  // empty when the kind has no 3-letter identifier
};

// Looks up frame identifiers, ignoring letter case. One finder serves the whole program; each of
// its two sorted lists is built on the first lookup that needs it.
class TId3TermFinder {
 public:
  static TId3TermFinder& Instance();

  // The kind of a 4-letter identifier; kNone for any other length or an unknown identifier.
  Id3FrameKind Find4(std::string_view id);
  // The kind of a 3-letter identifier; kNone for any other length or an unknown identifier.
  Id3FrameKind Find3(std::string_view id);

  // The fixed table, indexed by kind.
  static const std::array<Id3Term, kId3FrameKindCount>& Terms();

  // Whether the sorted lists have been built yet (for the tests).
  bool Built4() const { return !list4_.empty(); }
  bool Built3() const { return !list3_.empty(); }

 private:
  TId3TermFinder() = default;
  struct Entry {
    std::array<char, 4> id;  // upper-case, unused places zero
    Id3FrameKind kind;
  };
  static Id3FrameKind Search(const std::vector<Entry>& list, std::string_view id);
  static std::vector<Entry> BuildList(bool four);

  std::vector<Entry> list4_;
  std::vector<Entry> list3_;
};

}  // namespace plondex

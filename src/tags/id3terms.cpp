#include "tags/id3terms.h"

#include <algorithm>

#include "platform/ascii.h"

namespace plondex {
namespace {

using K = Id3FrameKind;

// clang-format off
constexpr std::array<Id3Term, kId3FrameKindCount> kTerms = {{
    {K::kNone, "", ""},
    {K::kAENC, "AENC", "CRA"}, {K::kAPIC, "APIC", "PIC"}, {K::kCOMM, "COMM", "COM"},
    {K::kCOMR, "COMR", ""},    {K::kENCR, "ENCR", ""},    {K::kEQUA, "EQUA", "EQU"},
    {K::kETCO, "ETCO", "ETC"}, {K::kGEOB, "GEOB", "GEO"}, {K::kGRID, "GRID", ""},
    {K::kIPLS, "IPLS", "IPL"}, {K::kLINK, "LINK", "LNK"}, {K::kMCDI, "MCDI", "MCI"},
    {K::kMLLT, "MLLT", "MLL"}, {K::kOWNE, "OWNE", ""},    {K::kPRIV, "PRIV", ""},
    {K::kPCNT, "PCNT", "CNT"}, {K::kPOPM, "POPM", "POP"}, {K::kPOSS, "POSS", ""},
    {K::kRBUF, "RBUF", "BUF"}, {K::kRVAD, "RVAD", "RVA"}, {K::kRVRB, "RVRB", "REV"},
    {K::kSYLT, "SYLT", "SLT"}, {K::kSYTC, "SYTC", "STC"}, {K::kTALB, "TALB", "TAL"},
    {K::kTBPM, "TBPM", "TBP"}, {K::kTCOM, "TCOM", "TCM"}, {K::kTCON, "TCON", "TCO"},
    {K::kTCOP, "TCOP", "TCR"}, {K::kTDAT, "TDAT", "TDA"}, {K::kTDLY, "TDLY", "TDY"},
    {K::kTENC, "TENC", "TEN"}, {K::kTEXT, "TEXT", "TXT"}, {K::kTFLT, "TFLT", "TFT"},
    {K::kTIME, "TIME", "TIM"}, {K::kTIT1, "TIT1", "TT1"}, {K::kTIT2, "TIT2", "TT2"},
    {K::kTIT3, "TIT3", "TT3"}, {K::kTKEY, "TKEY", "TKE"}, {K::kTLAN, "TLAN", "TLA"},
    {K::kTLEN, "TLEN", "TLE"}, {K::kTMED, "TMED", "TMT"}, {K::kTOAL, "TOAL", "TOT"},
    {K::kTOFN, "TOFN", "TOF"}, {K::kTOLY, "TOLY", "TOL"}, {K::kTOPE, "TOPE", "TOA"},
    {K::kTORY, "TORY", "TOR"}, {K::kTOWN, "TOWN", ""},    {K::kTPE1, "TPE1", "TP1"},
    {K::kTPE2, "TPE2", "TP2"}, {K::kTPE3, "TPE3", "TP3"}, {K::kTPE4, "TPE4", "TP4"},
    {K::kTPOS, "TPOS", "TPA"}, {K::kTPUB, "TPUB", "TPB"}, {K::kTRCK, "TRCK", "TRK"},
    {K::kTRDA, "TRDA", "TRD"}, {K::kTRSN, "TRSN", "TRN"}, {K::kTRSO, "TRSO", "TRO"},
    {K::kTSIZ, "TSIZ", "TSI"}, {K::kTSRC, "TSRC", "TRC"}, {K::kTSSE, "TSSE", ""},
    {K::kTYER, "TYER", "TYE"}, {K::kTXXX, "TXXX", "TXX"}, {K::kUFID, "UFID", "UFI"},
    {K::kUSER, "USER", ""},    {K::kUSLT, "USLT", "ULT"}, {K::kWCOM, "WCOM", "WCM"},
    {K::kWCOP, "WCOP", "WCP"}, {K::kWOAF, "WOAF", "WAF"}, {K::kWOAR, "WOAR", "WAR"},
    {K::kWOAS, "WOAS", "WAS"}, {K::kWORS, "WORS", "WRA"}, {K::kWPAY, "WPAY", "WPY"},
    {K::kWPUB, "WPUB", "WPB"}, {K::kWXXX, "WXXX", "WXX"},
    {K::kASPI, "ASPI", ""}, {K::kEQU2, "EQU2", ""}, {K::kRVA2, "RVA2", ""},
    {K::kSEEK, "SEEK", ""}, {K::kSIGN, "SIGN", ""}, {K::kTDEN, "TDEN", ""},
    {K::kTDOR, "TDOR", ""}, {K::kTDRC, "TDRC", ""}, {K::kTDRL, "TDRL", ""},
    {K::kTDTG, "TDTG", ""}, {K::kTIPL, "TIPL", ""}, {K::kTMCL, "TMCL", ""},
    {K::kTMOO, "TMOO", ""}, {K::kTPRO, "TPRO", ""}, {K::kTSOA, "TSOA", ""},
    {K::kTSOP, "TSOP", ""}, {K::kTSOT, "TSOT", ""}, {K::kTSST, "TSST", ""},
    {K::kCRM, "", "CRM"}, {K::kTSS, "", "TSS"},
}};
// clang-format on

constexpr bool TableInKindOrder() {
  for (size_t i = 0; i < kTerms.size(); ++i) {
    if (static_cast<size_t>(kTerms[i].kind) != i) return false;
  }
  return true;
}
static_assert(TableInKindOrder(), "the term table must be indexed by kind");

std::array<char, 4> Key(std::string_view id) {
  std::array<char, 4> key{};
  for (size_t i = 0; i < id.size() && i < key.size(); ++i) key[i] = AsciiUpper(id[i]);
  return key;
}

}  // namespace

TId3TermFinder& TId3TermFinder::Instance() {
  // Lives until the program ends; built on first use.
  static TId3TermFinder* finder = new TId3TermFinder();
  return *finder;
}

const std::array<Id3Term, kId3FrameKindCount>& TId3TermFinder::Terms() { return kTerms; }

std::vector<TId3TermFinder::Entry> TId3TermFinder::BuildList(bool four) {
  std::vector<Entry> list;
  for (const Id3Term& term : kTerms) {
    const std::string_view id = four ? term.id4 : term.id3;
    if (!id.empty()) list.push_back(Entry{Key(id), term.kind});
  }
  std::sort(list.begin(), list.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
  return list;
}

Id3FrameKind TId3TermFinder::Search(const std::vector<Entry>& list, std::string_view id) {
  const std::array<char, 4> key = Key(id);
  auto it = std::lower_bound(list.begin(), list.end(), key,
                             [](const Entry& e, const std::array<char, 4>& k) { return e.id < k; });
  return it != list.end() && it->id == key ? it->kind : Id3FrameKind::kNone;
}

Id3FrameKind TId3TermFinder::Find4(std::string_view id) {
  if (id.size() != 4) return Id3FrameKind::kNone;
  if (list4_.empty()) list4_ = BuildList(true);
  return Search(list4_, id);
}

Id3FrameKind TId3TermFinder::Find3(std::string_view id) {
  if (id.size() != 3) return Id3FrameKind::kNone;
  if (list3_.empty()) list3_ = BuildList(false);
  return Search(list3_, id);
}

}  // namespace plondex

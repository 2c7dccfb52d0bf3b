// Loads arbitrary bytes as an INI file, runs a random sequence of reads and writes, and
// checks that every accepted write reads back, both from the store and from its text
// read again by a fresh store.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/ini_file.h"
#include "settings/ini_format.h"

using mivaro::TMyIniFile;
using mivaro::WString;
namespace ini = mivaro::ini;

namespace {

// Short texts from a small pool (so that names collide) or from the input itself,
// with brackets, "=", blanks and line breaks likely.
WString PickText(FuzzedDataProvider& fdp) {
  static const char16_t* const kPool[] = {u"Play", u"play", u" Play ", u"Zoom", u"[x]", u"",
                                          u"Volume", u"k", u"K", u"a=b", u"日本", u"\r\n[y]"};
  if (fdp.ConsumeBool()) return kPool[fdp.ConsumeIntegralInRange<size_t>(0, 11)];
  std::string raw = fdp.ConsumeRandomLengthString(12);
  WString out;
  for (unsigned char c : raw) {
    static const char16_t kMap[] = {u'[', u']', u'=', u' ', u'\r', u'\n', u'\t', u'ß', u'Ä'};
    out.push_back(c < 9 ? kMap[c] : c < 0x80 ? c : static_cast<char16_t>(0x3000 + c));
  }
  return out;
}

using Key = std::pair<WString, WString>;  // folded section, folded key

Key KeyOf(const WString& section, const WString& key) {
  return {ini::FoldCase(ini::Trim(section)), ini::FoldCase(ini::Trim(key))};
}

void DropSection(std::map<Key, WString>& model, const WString& section) {
  WString folded = ini::FoldCase(ini::Trim(section));
  for (auto it = model.begin(); it != model.end();) {
    it = it->first.first == folded ? model.erase(it) : std::next(it);
  }
}

void CheckAt(bool ok, int line) {
  if (!ok) {
    std::fprintf(stderr, "fuzz/ini.cpp:%d: check failed\n", line);
    std::abort();
  }
}
#define Check(ok) CheckAt((ok), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  std::string file = fdp.ConsumeRandomLengthString(4096);
  TMyIniFile store(u"", fdp.ConsumeIntegralInRange<uint8_t>(0, 12));
  store.LoadFromBytes(file);
  std::map<Key, WString> model;  // accepted writes not overwritten by whole sections

  for (int step = 0; step < 64 && fdp.remaining_bytes() > 0; ++step) {
    WString section = PickText(fdp);
    WString key = PickText(fdp);
    switch (fdp.ConsumeIntegralInRange<int>(0, 11)) {
      case 0:
      case 1: {
        WString value = PickText(fdp);
        WString before = store.ReadString(section, key, u"\x01");
        store.WriteString(section, key, value);
        WString after = store.ReadString(section, key, u"\x01");
        if (value.empty()) {  // an empty value reads as the default
          model.erase(KeyOf(section, key));
          break;
        }
        // Either accepted as written, or refused and unchanged.
        Check(after == value || after == before);
        if (after == value) model[KeyOf(section, key)] = value;
        break;
      }
      case 2: {
        int32_t v = fdp.ConsumeIntegral<int32_t>();
        store.WriteInteger(section, key, v);
        if (store.ReadString(section, key, u"") == mivaro::U16(std::to_string(v))) {
          Check(store.ReadInteger(section, key, v == 0 ? 1 : 0) == v);
          model[KeyOf(section, key)] = mivaro::U16(std::to_string(v));
        }
        break;
      }
      case 3:
        (void)store.ReadInteger(section, key, 0);
        (void)store.ReadBool(section, key, true);
        (void)store.ReadFloat(section, key, 1.5);
        break;
      case 4:
        store.EraseSection(section);
        DropSection(model, section);
        break;
      case 5:
      case 6: {
        std::vector<WString> lines;
        for (int i = fdp.ConsumeIntegralInRange<int>(0, 4); i > 0; --i) {
          lines.push_back(PickText(fdp) + u"=" + PickText(fdp));
        }
        if (fdp.ConsumeBool()) {
          store.SetSectionValues(section, lines);
        } else {
          store.SetSectionLines(section, lines);
        }
        DropSection(model, section);
        break;
      }
      case 7:
        (void)store.SectionNames();
        (void)store.SectionValues(section);
        (void)store.SectionLines(section);
        (void)store.SectionExists(section);
        break;
      case 8:
        store.WriteFloat(section, key, fdp.ConsumeFloatingPoint<double>());
        model.erase(KeyOf(section, key));
        break;
      case 9: {
        mivaro::TMyRect r{fdp.ConsumeIntegral<int32_t>(), fdp.ConsumeIntegral<int32_t>(),
                          fdp.ConsumeIntegral<int32_t>(), fdp.ConsumeIntegral<int32_t>()};
        (void)TMyIniFile::FitRectToWorkArea(r, {0, 0, 1920, 1080});
        store.WriteRect(section, key, r);
        for (const char16_t* side : {u"_Left", u"_Top", u"_Right", u"_Bottom"}) {
          model.erase(KeyOf(section, key + side));
        }
        break;
      }
      case 10:
        (void)store.GetText();
        break;
      default:
        (void)store.ReadString(section, key, u"");
        break;
    }
  }

  // Everything accepted reads back, in this store and after a round trip through text.
  WString text = store.GetText();
  TMyIniFile again(u"", 0);
  again.SetText(text);
  Check(again.GetText() == text);
  for (const auto& [k, value] : model) {
    Check(store.ReadString(k.first, k.second, u"\x01") == value);
    Check(again.ReadString(k.first, k.second, u"\x01") == value);
  }
  return 0;
}

// Fuzzes the command-line parser and the panel-text decoding with arbitrary bytes: the
// text of a panel message comes from another process.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/message_panel.h"
#include "settings/param.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mivaro;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Panel messages arrive as UTF-7; command lines as UTF-8 text.
  for (const WString& text : {DecodePanelText(bytes), U16(bytes)}) {
    TMyParam param(text);
    (void)param.ParamText();
    (void)param.HasOption(u"SUBPLAYER");
    (void)param.Option(u"FROM");
    for (int i = -1; i <= param.Count(); ++i) {
      const TMyParamOption& item = param.Item(i);
      (void)item.AsInteger();
      (void)item.AsFloat();
      (void)item.IsName(u"TO_SUBPLAYER");
    }
    // Quoting the tokens and splitting the result again.
    WString line;
    for (const WString& t : param.Tokens()) line += QuoteParamToken(t) + u" ";
    (void)SplitParamTokens(line);
    (void)EncodePanelText(text);
  }
  return 0;
}

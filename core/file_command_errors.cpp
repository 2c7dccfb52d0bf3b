#include "core/file_command_errors.h"

#include <string>

namespace mivaro {

WString FileCommandErrorText(int code, TMyFileCommand command) {
  switch (code) {
    case 5:
      return u"ほかの人またはプログラムによって使用されています。\r"
             u"ファイルを使用している可能性があるプログラムをすべて閉じてから、やり直してください。";
    case 19:
      return command == TMyFileCommand::Rename ? u"メディアが書き込み禁止になっています。"
                                               : u"移動先のメディアは書き込み禁止になっています。";
    default: return u"エラーコード " + U16(std::to_string(code));
  }
}

}  // namespace mivaro

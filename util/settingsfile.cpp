#include "util/settingsfile.h"

#include "util/errors.h"
#include "util/text.h"

namespace Tormvale {

void ThrowOpenError(const std::string& path, int err) {
    throw FileOpenError(u"ファイル " + U(path) + u" は開けません。 " + SystemErrorText(err) + u" ");
}

void ThrowCreateError(const std::string& path, int err) {
    throw FileCreateError(u"ファイル \"" + U(path) + u"\" を作成できません。" + SystemErrorText(err));
}

void ThrowWriteError() { throw StreamWriteError(u"ストリームへの書き込みエラー"); }

}  // namespace Tormvale

#include "core/conversionset.h"

namespace Varnopile {

const std::array<std::u16string_view, 6> ConversionLabels = {
    u"大文字→小文字", u"小文字→大文字", u"全角→半角", u"半角→全角", u"ひらがな→カタカナ", u"カタカナ→ひらがな",
};

ConversionSet BuildConversionSet(const std::u16string&) { return {}; }

}  // namespace Varnopile

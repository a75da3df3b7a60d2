#include "toolkit/QtText.h"

#include "platform/Text.h"

namespace vh {

QString FromGbk(const std::string& gbk) {
    return QString::fromStdString(text::GbkToUtf8(gbk));
}

std::string ToGbk(const QString& s) {
    return text::Utf8ToGbk(s.toStdString());
}

} // namespace vh

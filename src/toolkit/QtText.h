#pragma once
// The widgets' edge: the logic keeps GBK bytes, Qt keeps QString.
#include <QString>
#include <string>

namespace vh {

QString FromGbk(const std::string& gbk);
std::string ToGbk(const QString& s);

} // namespace vh

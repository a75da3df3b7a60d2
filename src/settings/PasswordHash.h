#pragma once
#include <string>

// MD5 of the text's GBK bytes as 32 lower-case hexadecimal digits.
std::string PasswordHash(const std::string& gbkText);

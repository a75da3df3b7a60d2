#pragma once
// The maker's web addresses that the pages open in the browser; kept here so that they change in one
// place. (The update server's own address belongs to the update check.)
namespace vh::app::links {

inline constexpr const char* kHomePage = "http://www.varnholt.example/";
inline constexpr const char* kForum = "http://bbs.varnholt.example/";
inline constexpr const char* kContact = "mailto:support@varnholt.example";
inline constexpr const char* kMoreTips = "http://www.varnholt.example/tips.html";
inline constexpr const char* kDonate = "http://www.varnholt.example/donate.html";

} // namespace vh::app::links

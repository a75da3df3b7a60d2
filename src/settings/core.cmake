# Settings accessor, password hash and password logic; the password page on top.
target_sources(vh_settings PRIVATE SettingsAccessor.cpp md5.cpp PasswordHash.cpp Passwords.cpp SystemSettings.cpp)
if(VH_WITH_QT)
    target_sources(vh_settings_gui PRIVATE PasswordPage.cpp PasswordPage.h)
endif()

# The login dialog.
if(VH_WITH_QT)
    target_sources(vh_settings_gui PRIVATE uLogin.cpp)
endif()

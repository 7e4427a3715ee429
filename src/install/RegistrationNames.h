// The names under which an install registers a package: the key of the list
// of installed software and its values, the product key's value, the link
// extension. The installer writes them; the uninstaller takes them back.
#pragma once

constexpr char UNINSTALL_ROOT[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char SOFTWARE_ROOT[] = "Software\\";
constexpr char LINK_EXTENSION[] = ".lnk";

constexpr char VALUE_DISPLAY_NAME[] = "DisplayName";
constexpr char VALUE_UNINSTALL_STRING[] = "UninstallString";
constexpr char VALUE_UNINSTALL_FOLDER[] = "UninstallFolder";
constexpr char VALUE_INSTALL_LOCATION[] = "InstallLocation";
constexpr char VALUE_DISPLAY_ICON[] = "DisplayIcon";
constexpr char VALUE_PUBLISHER[] = "Publisher";
constexpr char VALUE_DISPLAY_VERSION[] = "DisplayVersion";
constexpr char VALUE_ESTIMATED_SIZE[] = "EstimatedSize";
constexpr char VALUE_INSTALL_DATE[] = "InstallDate";
constexpr char VALUE_NO_MODIFY[] = "NoModify";
constexpr char VALUE_NO_REPAIR[] = "NoRepair";
constexpr char VALUE_QUIET_UNINSTALL_STRING[] = "QuietUninstallString";
constexpr char VALUE_URL_INFO_ABOUT[] = "URLInfoAbout";
constexpr char VALUE_KEY_FILE[] = "KeyFile";

// Every section and key name that the installer reads from "tarvel.eif",
// in one place. Names are matched exactly, with regard to case.
#pragma once

// Sections.
constexpr const char SEC_INSTALL[] = "INSTALL";
constexpr const char SEC_UNINSTALL[] = "UNINSTALL";
constexpr const char SEC_ERROR[] = "ERROR";

// The setup script's own file name, in the installer's folder.
constexpr const char SETUP_SCRIPT_FILE[] = "tarvel.eif";

// [INSTALL]: run control and dialogs.
constexpr const char KEY_CAPTION[] = "CAPTION";
constexpr const char KEY_FLAG_INSTFOL_DIALOG[] = "FLAG_INSTFOL_DIALOG";
constexpr const char KEY_FLAG_STATUS_DIALOG[] = "FLAG_STATUS_DIALOG";
constexpr const char KEY_FLAG_END_DIALOG[] = "FLAG_END_DIALOG";
constexpr const char KEY_MSG_FOLDER_SEL[] = "MSG_FOLDER_SEL";
constexpr const char KEY_FOLDER_TITLE[] = "FOLDER_TITLE";
constexpr const char KEY_BUTTON_REF[] = "BUTTON_REF";
constexpr const char KEY_BUTTON_OK[] = "BUTTON_OK";
constexpr const char KEY_BUTTON_CANCEL[] = "BUTTON_CANCEL";
constexpr const char KEY_MSG_SELECT_FOLDER[] = "MSG_SELECT_FOLDER";
constexpr const char KEY_MAKE_FOLDER_CONF[] = "MAKE_FOLDER_CONF";
constexpr const char KEY_MSG_COPY_FILE[] = "MSG_COPY_FILE";
constexpr const char KEY_MSG_INSTALL_END[] = "MSG_INSTALL_END";
constexpr const char KEY_BACKGROUND_FILE[] = "BACKGROUND_FILE";

// [INSTALL]: destination, package content and writable files.
constexpr const char KEY_APPPATH_BASE[] = "APPPATH_BASE";
constexpr const char KEY_DATA_PATH[] = "DATA_PATH";            // the first data folder
constexpr const char KEY_DATA_PATH_FMT[] = "DATA_PATH%d";      // 2 .. 5
constexpr const char KEY_ICON_NAME[] = "ICON_NAME";
constexpr const char KEY_WRITE_FILE_FMT[] = "WRITE_FILE%d";    // 1 .. 5

// [INSTALL]: shortcuts and registration.
constexpr const char KEY_PROGRAM_FOLDER_NAME[] = "PROGRAM_FOLDER_NAME";
constexpr const char KEY_SHORTCUT_NAME[] = "SHORTCUT_NAME";
constexpr const char KEY_FLAG_DESKTOP_ICON[] = "FLAG_DESKTOP_ICON";
constexpr const char KEY_UNINSTALL_NAME[] = "UNINSTALL_NAME";
constexpr const char KEY_COMPANY_NAME[] = "COMPANY_NAME";
// Optional: what the list of installed software and deployment tools show.
constexpr const char KEY_PUBLISHER[] = "PUBLISHER";
constexpr const char KEY_DISPLAY_VERSION[] = "DISPLAY_VERSION";
constexpr const char KEY_URL_INFO_ABOUT[] = "URL_INFO_ABOUT";
constexpr const char KEY_PRODUCT_NUM[] = "PRODUCT_NUM";
constexpr const char KEY_PRODUCT_NAME_FMT[] = "PRODUCT_NAME%d";
constexpr const char KEY_PRODUCT_LANGUAGE_FMT[] = "PRODUCT_LANGUAGE%d";
constexpr const char KEY_PRODUCT_KEY_FILE_FMT[] = "PRODUCT_KEY_FILE%d";
constexpr const char KEY_PRODUCT_NAME1[] = "PRODUCT_NAME1";
constexpr const char KEY_PRODUCT_LANGUAGE1[] = "PRODUCT_LANGUAGE1";
constexpr const char KEY_PRODUCT_KEY_FILE1[] = "PRODUCT_KEY_FILE1";

// [INSTALL]: shared components.
constexpr const char KEY_REG_LIBFILE_FMT[] = "REG_LIBFILE%d";  // 1 .. 5
constexpr const char KEY_REG_LIBFILE1[] = "REG_LIBFILE1";
constexpr const char KEY_LIBFILEPATH_BASE[] = "LIBFILEPATH_BASE";
constexpr const char KEY_COMMON_PATH[] = "COMMON_PATH";
constexpr const char VALUE_NONE[] = "NONE";

// [UNINSTALL].
constexpr const char KEY_UNINSTALL_FILE[] = "UNINSTALL_FILE";
constexpr const char KEY_UNINSTALL_KEY[] = "UNINSTALL_KEY";
// Read by the uninstaller only, all optional: its window caption and texts.
constexpr const char KEY_UNINSTALL_CAPTION[] = "UNINSTALL_CAPTION";
constexpr const char KEY_MSG_UNINSTALL_CONF[] = "MSG_UNINSTALL_CONF";
constexpr const char KEY_MSG_UNINSTALL_STATUS[] = "MSG_UNINSTALL_STATUS";
constexpr const char KEY_MSG_UNINSTALL_END[] = "MSG_UNINSTALL_END";
constexpr const char KEY_MSG_UNINSTALL_LEFT[] = "MSG_UNINSTALL_LEFT";
constexpr const char KEY_MSG_UNINSTALL_RESTART[] = "MSG_UNINSTALL_RESTART";
constexpr const char KEY_ERR_UNINSTALL_NOTHING[] = "ERR_UNINSTALL_NOTHING";
constexpr const char KEY_ERR_UNINSTALL_LOG[] = "ERR_UNINSTALL_LOG";
constexpr const char KEY_ERR_UNINSTALL_RUNNING[] = "ERR_UNINSTALL_RUNNING";

// [ERROR]: message texts.
constexpr const char KEY_ERR_MES_FILE_NOT_EXIST[] = "ERR_MES_FILE_NOT_EXIST";
constexpr const char KEY_ERR_MES_ERROR_OCCURRED[] = "ERR_MES_ERROR_OCCURRED";
constexpr const char KEY_ERR_MES_WRITE_ERROR[] = "ERR_MES_WRITE_ERROR";
constexpr const char KEY_ERR_MES_COPY_ERROR[] = "ERR_MES_COPY_ERROR";
constexpr const char KEY_ERR_MES_NOSPACE[] = "ERR_MES_NOSPACE";
constexpr const char KEY_ERR_MES_USER_CANCEL[] = "ERR_MES_USER_CANCEL";
constexpr const char KEY_ERR_SEL_FOL_INVALID[] = "ERR_SEL_FOL_INVALID";

// Flag values, compared without regard to case.
constexpr const char FLAG_TRUE[] = "TRUE";
constexpr const char FLAG_FALSE[] = "FALSE";

// Texts and numbers of the application information, shared by the C++ code and the resource
// script so that the version resource and AppInfo cannot drift apart. Plain macros: windres
// reads this file too.
#ifndef QLN_APP_CONSTANTS_H
#define QLN_APP_CONSTANTS_H

#define QLN_COMMENTS "Velmora"
#define QLN_COMPANY_NAME ""
#define QLN_FILE_DESCRIPTION ""
#define QLN_PRODUCT_NAME "Velmora"
#define QLN_LEGAL_TRADEMARKS ""
#define QLN_FILE_MAJOR 1
#define QLN_FILE_MINOR 0
#define QLN_PRODUCT_MAJOR 1
#define QLN_PRODUCT_MINOR 0
#define QLN_VERSION_TEXT "1.0"
#define QLN_EXE_FILE_NAME "QuorlenInstaller.exe"

#endif

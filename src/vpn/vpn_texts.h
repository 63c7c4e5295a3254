#pragma once

#include <QString>

namespace kvt {

// Status line of a failed dial, in the current language: "Error:" + code + " " + reason /
// "错误：" + code + " " + reason.
QString DialErrorText(int code);

// The message shown when an entry or its credentials cannot be stored: what to try.
QString EntryStoreFailedText();

// Device of the entry for mode one and mode two, in the current language.
QString PptpDeviceName();
QString L2tpDeviceName();

} // namespace kvt

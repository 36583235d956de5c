#include "platform/text_file_encoding.h"

#include "platform/text.h"

namespace dravanta {

std::string LogFileBytes(std::u16string_view text) { return Utf16LittleEndianBytes(text); }

std::string ReportFileBytes(std::u16string_view text) { return Utf16ToUtf8(text); }

}  // namespace dravanta

// The client's version: four decimal numbers joined by dots, compiled in.
#pragma once

#include <string>

namespace dravanta {

std::u16string ClientVersion();

}  // namespace dravanta

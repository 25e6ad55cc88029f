#pragma once
// Bus names and object paths built from names the system picks freely
// (centre names, bundle identifiers), which may hold any character.

#include <string>
#include <string_view>

namespace ipc {

// One element of a bus name or object path made from any text: ASCII letters
// and digits stay, every other byte becomes '_' and two lower-case hex digits
// ("kXPCCenterNameKey_11292" -> "kXPCCenterNameKey_5f11292"), a leading digit
// is escaped too, and the empty text is "_". Escaping '_' itself keeps the
// mapping one-to-one, so two different names never share a bus name.
std::string escapeBusNameElement(std::string_view text);

}  // namespace ipc

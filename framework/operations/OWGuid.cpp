#include "framework/operations/OWGuid.h"

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

void appendHex(std::string& text, std::uint32_t value, int digits)
{
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        text += hexDigits[value >> shift & 0xF];
}

} // namespace

std::string GuidToString(const TGUID& guid)
{
    std::string text;
    text.reserve(owguid_detail::bracedLength);
    text += '{';
    appendHex(text, guid.D1, 8);
    text += '-';
    appendHex(text, guid.D2, 4);
    text += '-';
    appendHex(text, guid.D3, 4);
    text += '-';
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            text += '-';
        appendHex(text, guid.D4[i], 2);
    }
    text += '}';
    return text;
}

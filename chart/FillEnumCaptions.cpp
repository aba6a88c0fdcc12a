#include "chart/FillEnumCaptions.h"

namespace {

bool isUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool isLower(char c)
{
    return c >= 'a' && c <= 'z';
}

} // namespace

void FillEnumCaptions(const TEnumTypeInfo& type, std::vector<std::string>& strings, bool stripPrefix,
                      bool splitWords)
{
    strings.clear();
    for (int value = 0; value <= type.MaxValue(); ++value) {
        std::string caption(type.ValueName(value));
        if (stripPrefix) {
            std::size_t skip = 0;
            while (caption.size() - skip >= 2 && !isUpper(caption[skip]))
                ++skip;
            caption.erase(0, skip);
        }
        if (splitWords) {
            for (std::size_t i = caption.size(); i-- > 1;)
                if (!isLower(caption[i]))
                    caption.insert(i, 1, ' ');
        }
        strings.push_back(std::move(caption));
    }
}

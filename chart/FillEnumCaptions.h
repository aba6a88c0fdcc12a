#pragma once
// Readable captions of an enumeration's values, for settings dialogs.
#include "framework/ClassLibrary/TypeInfo.h"

#include <string>
#include <vector>

// Replaces strings by one caption per value of type, 0 to its highest. With
// stripPrefix, the lower-case prefix goes (everything before the first
// capital A to Z, one character always left); with splitWords, a blank comes
// before every character but the first that is not a lower-case a to z.
// msTriangleUp gives "Triangle Up".
void FillEnumCaptions(const TEnumTypeInfo& type, std::vector<std::string>& strings, bool stripPrefix,
                      bool splitWords);

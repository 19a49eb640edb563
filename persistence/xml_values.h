// Reading and writing the values of data documents: all data lives in attributes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kernel/interfaces.h"
#include "platform/safecall.h"

namespace zs::persistence {

// The attribute's text; empty when the element has no such attribute.
std::string AttributeText(IXMLElement *Element, const std::string &Name);
void SetAttributeText(IXMLElement *Element, const std::string &Name, const std::string &Value);

// A decimal integer, optionally signed and surrounded by spaces; false for anything else,
// a number outside the width of Value included.
bool ParseDecimal(std::string_view Text, int32_t &Value);
bool ParseDecimal(std::string_view Text, int64_t &Value);

// Calls visit for each child element of Parent, in document order.
template <class Visit> void ForEachChild(IXMLElement *Parent, Visit &&visit) {
  ComPtr<IXMLElement> child;
  platform::OleCheck(Parent->get_FirstChild(child.put()));
  while (child) {
    visit(child.get());
    ComPtr<IXMLElement> next;
    platform::OleCheck(child->get_NextSibling(next.put()));
    child = std::move(next);
  }
}

} // namespace zs::persistence

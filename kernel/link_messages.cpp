#include "kernel/link_messages.h"

#include <exception>

#include "platform/safecall.h"

namespace zs::kernel {

namespace {

using platform::OleCheck;

// The parser that reported the link may go on using its parameter container in its own
// thread; the main thread gets a container of its own.
ComPtr<IParams> copyOf(IParams *params) {
  if (!params) return nullptr;
  ComPtr<IParams> copy = CreateParams();
  int32_t count = 0;
  OleCheck(params->get_NamesCount(&count));
  for (int32_t i = 0; i < count; ++i) {
    std::string name, value;
    OleCheck(params->get_Name(i, &name));
    OleCheck(params->get_ValueByNameIndex(i, &value));
    OleCheck(copy->put_Value(name, value));
  }
  return copy;
}

} // namespace

void TAddLinksMessage::Add(const TLinkDescription &LinkDesc, int32_t CurrentLevel) {
  links_.emplace_back(TLinkDescription{LinkDesc.URL, LinkDesc.LinkType, LinkDesc.Tag,
                                       copyOf(LinkDesc.Params.get())},
                      CurrentLevel);
}

void TAddLinksMessage::Execute() {
  std::exception_ptr failure;
  for (const auto &[link, level] : links_) {
    try {
      OleCheck(LinkList->AddLink(link, level));
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void TCancelLink::Execute() { LinkList->CancelLink(URL); }

void TCompleteLink::Execute() { LinkList->CompleteLink(URL, Outcome.Success ? 1 : 0, &Outcome); }

} // namespace zs::kernel

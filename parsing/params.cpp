#include "parsing/params.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/safecall.h"

namespace zs::parsing {

namespace {

using platform::SafeCall;

class TParams : public platform::TComObject<IParams> {
public:
  HRESULT get_Value(const std::string &Name, std::string *Value) override {
    return SafeCall([&] {
      auto found = find(Name);
      *Value = found != pairs_.end() && found->first == Name ? found->second : std::string();
    });
  }

  HRESULT put_Value(const std::string &Name, const std::string &Value) override {
    return SafeCall([&] {
      auto found = find(Name);
      if (found != pairs_.end() && found->first == Name)
        found->second = Value;
      else
        pairs_.insert(found, {Name, Value});
    });
  }

  HRESULT get_Name(int32_t Index, std::string *Value) override {
    return SafeCall([&] { *Value = at(Index).first; });
  }

  HRESULT get_NamesCount(int32_t *Value) override {
    return SafeCall([&] { *Value = static_cast<int32_t>(pairs_.size()); });
  }

  HRESULT get_ValueByNameIndex(int32_t Index, std::string *Value) override {
    return SafeCall([&] { *Value = at(Index).second; });
  }

  HRESULT put_ValueByNameIndex(int32_t Index, const std::string &Value) override {
    return SafeCall([&] { at(Index).second = Value; });
  }

private:
  using Pair = std::pair<std::string, std::string>;

  std::vector<Pair>::iterator find(const std::string &name) {
    return std::lower_bound(
        pairs_.begin(), pairs_.end(), name,
        [](const Pair &pair, const std::string &key) { return pair.first < key; });
  }

  Pair &at(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= pairs_.size())
      throw platform::EOleSysError("List index out of bounds (" + std::to_string(index) + ")",
                                   platform::E_INVALIDARG);
    return pairs_[static_cast<size_t>(index)];
  }

  // Kept sorted by name; a tag has a handful of attributes, so a vector beats a tree.
  std::vector<Pair> pairs_;
};

} // namespace

ComPtr<IParams> NewParams() { return platform::MakeCom<TParams>(); }

} // namespace zs::parsing

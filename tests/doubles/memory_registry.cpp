#include "doubles/memory_registry.h"

#include <algorithm>
#include <map>
#include <utility>

namespace doubles {

namespace {

char FoldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Fold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = FoldChar(c);
  return folded;
}

// Compares without regard to case and without building folded copies: the
// fuzz targets look names up many thousands of times a second.
bool SameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

// A key's identity: its root and its path without the leading backslash,
// without trailing backslashes, case folded.
using KeyId = std::pair<common::RegRoot, std::string>;

KeyId MakeId(common::RegRoot root, std::string_view path) {
  if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return {root, Fold(path)};
}

struct NamedValue {
  std::string name;  // spelling of the first write
  common::RegValue value;
};

template <typename Values>
auto FindIn(Values& values, std::string_view name) -> decltype(&values.front()) {
  for (auto& v : values) {
    if (SameFolded(v.name, name)) return &v;
  }
  return nullptr;
}

struct KeyData {
  std::vector<NamedValue> values;  // in the order of their creation

  NamedValue* Find(std::string_view name) { return FindIn(values, name); }
  const NamedValue* Find(std::string_view name) const { return FindIn(values, name); }
  void Store(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data) {
    if (NamedValue* existing = Find(name)) {
      existing->value = {type, std::move(data)};
    } else {
      values.push_back({std::string(name), {type, std::move(data)}});
    }
  }
};

}  // namespace

namespace detail {

struct MemoryRegistryState {
  std::map<KeyId, KeyData> keys;
  std::map<KeyId, std::uint32_t> openReadFaults;
  std::map<KeyId, std::uint32_t> openWriteFaults;
  std::vector<std::pair<KeyId, std::string>> setFaults;  // key and folded value name
  int openKeys = 0;

  KeyData& Create(const KeyId& id) {
    if (const auto it = keys.find(id); it != keys.end()) return it->second;
    // Every key above it comes into being too.
    for (std::size_t pos = id.second.find('\\'); pos != std::string::npos;
         pos = id.second.find('\\', pos + 1)) {
      keys[{id.first, id.second.substr(0, pos)}];
    }
    return keys[id];
  }
  const KeyData* Find(const KeyId& id) const {
    const auto it = keys.find(id);
    return it == keys.end() ? nullptr : &it->second;
  }
  bool SetFails(const KeyId& id, std::string_view name) const {
    return std::any_of(setFaults.begin(), setFaults.end(), [&](const auto& fault) {
      return fault.first == id && SameFolded(fault.second, name);
    });
  }
};

}  // namespace detail

namespace {

class MemoryKey : public common::IRegistryKey {
 public:
  MemoryKey(std::shared_ptr<detail::MemoryRegistryState> state, KeyId id, bool readable)
      : state_(std::move(state)), id_(std::move(id)), readable_(readable) {
    ++state_->openKeys;
  }
  ~MemoryKey() override { --state_->openKeys; }
  MemoryKey(const MemoryKey&) = delete;
  MemoryKey& operator=(const MemoryKey&) = delete;

  std::optional<common::RegValue> Query(std::string_view name) override {
    if (!readable_) return std::nullopt;  // opened for writing only
    const KeyData* key = state_->Find(id_);
    const NamedValue* value = key ? key->Find(name) : nullptr;
    if (!value) return std::nullopt;
    return value->value;
  }

  bool Set(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    if (readable_) return false;  // opened for reading only
    if (state_->SetFails(id_, name)) return false;
    state_->Create(id_).Store(name, type, {data.begin(), data.end()});
    return true;
  }

  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    if (!readable_) return names;
    if (const KeyData* key = state_->Find(id_)) {
      for (const auto& v : key->values) names.push_back(v.name);
    }
    return names;
  }

 private:
  std::shared_ptr<detail::MemoryRegistryState> state_;
  KeyId id_;
  bool readable_;
};

}  // namespace

MemoryRegistry::MemoryRegistry() : state_(std::make_shared<detail::MemoryRegistryState>()) {}
MemoryRegistry::~MemoryRegistry() = default;

common::RegOpenResult MemoryRegistry::OpenRead(common::RegRoot root, std::string_view path) {
  const KeyId id = MakeId(root, path);
  if (const auto fault = state_->openReadFaults.find(id); fault != state_->openReadFaults.end()) {
    return {nullptr, fault->second};
  }
  if (!KeyExists(root, path)) return {nullptr, kErrorFileNotFound};
  return {std::make_unique<MemoryKey>(state_, id, true), 0};
}

common::RegOpenResult MemoryRegistry::OpenWrite(common::RegRoot root, std::string_view path) {
  const KeyId id = MakeId(root, path);
  if (const auto fault = state_->openWriteFaults.find(id); fault != state_->openWriteFaults.end()) {
    return {nullptr, fault->second};
  }
  state_->Create(id);
  return {std::make_unique<MemoryKey>(state_, id, false), 0};
}

void MemoryRegistry::CreateKey(common::RegRoot root, std::string_view path) {
  state_->Create(MakeId(root, path));
}

void MemoryRegistry::Put(common::RegRoot root, std::string_view path, std::string_view name,
                         std::uint32_t type, std::vector<std::uint8_t> bytes) {
  state_->Create(MakeId(root, path)).Store(name, type, std::move(bytes));
}

void MemoryRegistry::PutSz(common::RegRoot root, std::string_view path, std::string_view name,
                           std::string_view text) {
  Put(root, path, name, common::kRegSz, common::RegSzBytes(text));
}

void MemoryRegistry::PutDword(common::RegRoot root, std::string_view path, std::string_view name,
                              std::int32_t number) {
  Put(root, path, name, common::kRegDword, common::RegDwordBytes(number));
}

bool MemoryRegistry::KeyExists(common::RegRoot root, std::string_view path) const {
  const KeyId id = MakeId(root, path);
  return id.second.empty() || state_->Find(id) != nullptr;  // the hive's root always exists
}

std::optional<common::RegValue> MemoryRegistry::Get(common::RegRoot root, std::string_view path,
                                                    std::string_view name) const {
  const KeyData* key = state_->Find(MakeId(root, path));
  const NamedValue* value = key ? key->Find(name) : nullptr;
  if (!value) return std::nullopt;
  return value->value;
}

std::vector<std::string> MemoryRegistry::ValueNames(common::RegRoot root,
                                                    std::string_view path) const {
  std::vector<std::string> names;
  if (const KeyData* key = state_->Find(MakeId(root, path))) {
    for (const auto& v : key->values) names.push_back(v.name);
  }
  return names;
}

std::vector<std::string> MemoryRegistry::Keys(common::RegRoot root) const {
  std::vector<std::string> keys;
  for (const auto& [id, key] : state_->keys) {
    if (id.first == root) keys.push_back(id.second);
  }
  return keys;
}

void MemoryRegistry::FailOpenRead(common::RegRoot root, std::string_view path,
                                  std::uint32_t error) {
  state_->openReadFaults[MakeId(root, path)] = error;
}

void MemoryRegistry::FailOpenWrite(common::RegRoot root, std::string_view path,
                                   std::uint32_t error) {
  state_->openWriteFaults[MakeId(root, path)] = error;
}

void MemoryRegistry::FailSet(common::RegRoot root, std::string_view path, std::string_view name) {
  state_->setFaults.emplace_back(MakeId(root, path), Fold(name));
}

void MemoryRegistry::ClearFaults() {
  state_->openReadFaults.clear();
  state_->openWriteFaults.clear();
  state_->setFaults.clear();
}

int MemoryRegistry::OpenKeys() const {
  return state_->openKeys;
}

}  // namespace doubles

#include "data/derived_key_cache.h"

#include <sodium.h>

namespace generatesheet {

DerivedKeyCache::~DerivedKeyCache() {
  std::lock_guard<std::mutex> lock(mutex_);
  WipeLocked();
}

bool DerivedKeyCache::Find(const std::string& message, Key& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = keys_.find(message);
  if (it == keys_.end()) return false;
  key = it->second;
  return true;
}

void DerivedKeyCache::Insert(const std::string& message, const Key& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (keys_.size() >= capacity_) WipeLocked();
  keys_.try_emplace(message, key);
}

void DerivedKeyCache::WipeLocked() {
  for (auto& [message, key] : keys_) {
    // The map's own copy of the message is wiped through its node.
    sodium_memzero(const_cast<char*>(message.data()), message.size());
    sodium_memzero(key.data(), key.size());
  }
  keys_.clear();
}

}  // namespace generatesheet

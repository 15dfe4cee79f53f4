// Keys already derived from the master key, by the message they were derived
// from.  A page asks for the key of each question several times (its score,
// its answers) and for the key of each record number twice; deriving a key is
// a BLAKE2b hash, hundreds of times dearer than a look-up.
//
// The messages hold secrets (a value key's message holds its question key),
// so every message and key is wiped when the cache is emptied or destroyed.
// Safe to use from several threads at once.
#ifndef GENERATESHEET_DATA_DERIVED_KEY_CACHE_H_
#define GENERATESHEET_DATA_DERIVED_KEY_CACHE_H_

#include <array>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace generatesheet {

class DerivedKeyCache {
 public:
  using Key = std::array<unsigned char, 32>;

  // Holds at most `capacity` keys; a full cache is emptied before the next
  // key goes in.
  explicit DerivedKeyCache(std::size_t capacity) : capacity_(capacity) {}
  DerivedKeyCache(const DerivedKeyCache&) = delete;
  DerivedKeyCache& operator=(const DerivedKeyCache&) = delete;
  ~DerivedKeyCache();

  // Copies the key derived from `message` into `key`; false when it is not
  // held.
  bool Find(const std::string& message, Key& key) const;
  void Insert(const std::string& message, const Key& key);

 private:
  void WipeLocked();

  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Key> keys_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_DATA_DERIVED_KEY_CACHE_H_

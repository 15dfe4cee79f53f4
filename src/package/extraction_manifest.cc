#include "package/extraction_manifest.h"

#include <utility>

namespace generatesheet {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The path of the first `count` parts, joined with "/", for messages.
std::string Join(const std::vector<std::string>& parts, std::size_t count) {
  std::string path;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) path += '/';
    path += parts[i];
  }
  return path;
}

}  // namespace

// A node per path: each entry walks down from the root one part at a time,
// so checking a name costs its length, never the sum of its prefixes.
struct ExtractionManifest::PathNode {
  enum class Use { kFile, kDirectory, kParent };
  Use use = Use::kParent;
  std::map<std::string, std::unique_ptr<PathNode>, std::less<>> children;
};

SplitEntryName SplitEntryPath(std::string_view name) {
  SplitEntryName split;
  if (name.empty()) {
    split.refusal = "条目名称为空";
    return split;
  }
  if (name.size() > kMaxEntryNameBytes) {
    split.refusal = "条目名称长 " + std::to_string(name.size()) + " 字节，超过 " +
                    std::to_string(kMaxEntryNameBytes) + " 字节的上限";
    return split;
  }
  // "C:x" is relative to a drive's current folder on the system that made
  // the package: as unsafe as an absolute name.
  if (IsSeparator(name[0]) || (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':')) {
    split.refusal = "条目名称是绝对路径";
    return split;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    std::string_view part = name.substr(start, end - start);
    if (part == "..") {
      split.components.clear();
      split.refusal = "条目名称中含有“..”";
      return split;
    }
    if (!part.empty() && part != ".") split.components.emplace_back(part);
    start = end + 1;
  }
  if (split.components.size() > kMaxEntryDepth) {
    split.refusal = "条目有 " + std::to_string(split.components.size()) + " 层文件夹，超过 " +
                    std::to_string(kMaxEntryDepth) + " 层的上限";
    split.components.clear();
  }
  return split;
}

ExtractionManifest::ExtractionManifest() : root_(std::make_unique<PathNode>()) {}
ExtractionManifest::~ExtractionManifest() = default;

std::optional<std::string> ExtractionManifest::Add(const std::string& name, EntryKind kind) {
  switch (kind) {
    case EntryKind::kSymlink:
      return "条目是符号链接";
    case EntryKind::kHardlink:
      return "条目是硬链接";
    case EntryKind::kSpecial:
      return "条目是设备文件、管道或套接字";
    case EntryKind::kFile:
    case EntryKind::kDirectory:
      break;
  }
  SplitEntryName split = SplitEntryPath(name);
  if (!split.refusal.empty()) return split.refusal;
  std::vector<std::string>& parts = split.components;
  if (parts.empty() && kind == EntryKind::kFile) return std::string("条目名称为空");
  // A folder entry like "./" names the destination itself: nothing to do.
  if (!parts.empty()) {
    if (auto refusal = Claim(parts, kind)) return refusal;
  }
  entries_.push_back(ManifestEntry{name, kind, std::move(parts)});
  return std::nullopt;
}

std::optional<std::string> ExtractionManifest::Claim(const std::vector<std::string>& parts,
                                                     EntryKind kind) {
  using Use = PathNode::Use;
  PathNode* node = root_.get();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    auto [it, inserted] = node->children.try_emplace(parts[i]);
    if (inserted) it->second = std::make_unique<PathNode>();
    node = it->second.get();
    if (!last) {
      // A folder on the way.
      if (node->use == Use::kFile) return "“" + Join(parts, i + 1) + "”既是文件又是文件夹";
      continue;
    }
    const Use use = kind == EntryKind::kDirectory ? Use::kDirectory : Use::kFile;
    if (inserted) {
      node->use = use;
    } else if (node->use == Use::kParent && use == Use::kDirectory) {
      node->use = Use::kDirectory;  // the folder that earlier entries implied
    } else if (node->use == Use::kParent) {
      return "“" + Join(parts, parts.size()) + "”既是文件又是文件夹";
    } else {
      return "条目名称与另一条目重复：“" + Join(parts, parts.size()) + "”";
    }
  }
  return std::nullopt;
}

}  // namespace generatesheet

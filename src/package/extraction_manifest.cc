#include "package/extraction_manifest.h"

namespace generatesheet {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string Join(const std::vector<std::string>& components, size_t count) {
  std::string path;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) path += '/';
    path += components[i];
  }
  return path;
}

}  // namespace

SplitEntryName SplitEntryPath(std::string_view name) {
  SplitEntryName split;
  if (name.empty()) {
    split.refusal = "条目名称为空";
    return split;
  }
  // "C:x" is relative to a drive's current folder on the system that made
  // the package: as unsafe as an absolute name.
  if (IsSeparator(name[0]) || (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':')) {
    split.refusal = "条目名称是绝对路径";
    return split;
  }
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
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
  return split;
}

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
  const std::vector<std::string>& parts = split.components;
  if (parts.empty() && kind == EntryKind::kFile) return std::string("条目名称为空");

  // A folder entry like "./" names the destination itself: nothing to do.
  if (!parts.empty()) {
    for (size_t i = 1; i < parts.size(); ++i) {
      if (auto refusal = Claim(Join(parts, i), PathUse::kParent)) return refusal;
    }
    PathUse use = kind == EntryKind::kDirectory ? PathUse::kDirectory : PathUse::kFile;
    if (auto refusal = Claim(Join(parts, parts.size()), use)) return refusal;
  }
  entries_.push_back(ManifestEntry{name, kind, parts});
  return std::nullopt;
}

std::optional<std::string> ExtractionManifest::Claim(const std::string& path, PathUse use) {
  auto [it, inserted] = paths_.emplace(path, use);
  if (inserted) return std::nullopt;
  PathUse earlier = it->second;
  if (use == PathUse::kParent) {
    if (earlier == PathUse::kFile) return "“" + path + "”既是文件又是文件夹";
    return std::nullopt;
  }
  if (earlier == PathUse::kParent) {
    if (use == PathUse::kFile) return "“" + path + "”既是文件又是文件夹";
    it->second = PathUse::kDirectory;  // the folder that earlier entries implied
    return std::nullopt;
  }
  return "条目名称与另一条目重复：“" + path + "”";
}

}  // namespace generatesheet

// The demo's class: students made from the bundled samples, each with
// answers of their own (some right, some wrong, some not answered), in two
// classes, so a batch over them shows the class figures a teacher reads.
#ifndef GENERATESHEET_TOOLS_CLI_DEMO_CLASS_H_
#define GENERATESHEET_TOOLS_CLI_DEMO_CLASS_H_

#include <cstddef>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "builder/package/package_cipher.h"

namespace generatesheet::cli {

// Students made from each sample.
inline constexpr size_t kDemoStudentsPerSample = 16;

// The description of student `k` (0 the sample's own student, unchanged)
// made from a sample's description: another number, name and class, and
// answers drawn for a student of their own ability.
nlohmann::json DemoStudent(const nlohmann::json& sample, size_t k);

// Builds every sample's students into `out`/packages/STEM-NN/ and writes the
// batch manifest `out`/students.csv (with a class column); returns its path.
std::string BuildDemoClass(const std::vector<std::filesystem::path>& samples, SodiumCipher& cipher,
                           const std::filesystem::path& out);

}  // namespace generatesheet::cli

#endif  // GENERATESHEET_TOOLS_CLI_DEMO_CLASS_H_

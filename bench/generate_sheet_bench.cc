// Time to turn one answer package into its page, by paper size: extraction,
// decryption of the database and of every value, queries and rendering.
// The papers are realistic in mix and text sizes (bench/realistic_paper.h).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bench/realistic_paper.h"
#include "builder/package/answer_package.h"
#include "cipher/sodium_cipher.h"
#include "generatesheet/create_html.h"

namespace generatesheet {
namespace {

void BM_GenerateSheet(benchmark::State& state) {
  std::string dir = (std::filesystem::temp_directory_path() / "gsbench-XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  const std::string key_file = dir + "/bench.key";
  WriteNewMasterKeyFile(key_file);
  ::setenv(kKeyFileEnvironmentVariable, key_file.c_str(), 1);
  SodiumCipher cipher(ReadMasterKeyFile(key_file));
  const std::string package = dir + "/package";
  std::filesystem::create_directories(package);
  builder::BuildAnswerPackage(bench::MakeRealisticPaper(static_cast<int>(state.range(0))), cipher,
                              package + "/paper.zip");
  {
    FILE* f = std::fopen((dir + "/template.html").c_str(), "w");
    std::fputs("<html><body>$Content$</body></html>", f);
    std::fclose(f);
  }
  CreateHtml sheet;
  sheet.SetBakDataPath(package);
  sheet.SetZipPaperName("paper.zip");
  sheet.SetTemplatePath(dir + "/template.html");
  sheet.SetHTMLPaperPath(dir + "/");
  sheet.SetStudentID("2024010101");
  for (auto _ : state) {
    if (!sheet.GenerateSheet() || sheet.PagePath().empty()) {
      state.SkipWithError(sheet.ErrMsg().c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_GenerateSheet)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace generatesheet

BENCHMARK_MAIN();

// Writes the benchmark's realistic paper of N questions:
//
//   make_bench_paper N FOLDER KEY_FILE
//
// FOLDER/paper.zip is the answer package (AES-256, the fixed password), and
// FOLDER/floor/ holds Pbase.mdb and a plain Analysis.mdb, the databases a
// reader of the package has to go through at the least.  KEY_FILE is
// created when missing.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "bench/realistic_paper.h"
#include "builder/package/answer_package.h"
#include "cipher/sodium_cipher.h"

int main(int argc, char** argv) {
  using namespace generatesheet;
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_bench_paper QUESTIONS FOLDER KEY_FILE\n");
    return 2;
  }
  try {
    const int questions = std::atoi(argv[1]);
    const std::string folder = argv[2];
    const std::string key_file = argv[3];
    if (!std::filesystem::exists(key_file)) WriteNewMasterKeyFile(key_file);
    SodiumCipher cipher(ReadMasterKeyFile(key_file));
    const builder::PackageDescription paper = bench::MakeRealisticPaper(questions);
    std::filesystem::create_directories(folder + "/floor");
    builder::BuildAnswerPackage(paper, cipher, folder + "/paper.zip");
    builder::BuildOptions plain;
    plain.encrypt_analysis_file = false;
    builder::WriteDatabases(paper, cipher, folder + "/floor", plain);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_bench_paper: %s\n", e.what());
    return 1;
  }
  return 0;
}

// The archive manifest of an output folder through the program: written by
// batch and summary, signed with a key from keygen, checked by verify and,
// independently, by standard tools.
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "support/command_output.h"
#include "tools/archive/archive_check.h"
#include "tools/cli_fixture.h"

namespace generatesheet::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The standard output of a shell command.
std::string Shell(const std::string& command) { return RunForOutput(command).text; }

// The SHA-256 of a file as coreutils computes it.
std::string Sha256sum(const std::string& path) {
  return Shell("sha256sum " + ShellQuote(path)).substr(0, 64);
}

class VerifyCommandTest : public CliTest {
 protected:
  static constexpr size_t kStudents = 3;

  VerifyCommandTest() {
    WriteFileForTest(dir_.File("students.csv"),
                     "package_folder,zip_name,student_id,student_name,subject\n");
    for (size_t i = 0; i < kStudents; ++i) {
      const std::string id = "100" + std::to_string(i + 1);
      MakePackage("exam", id + ".zip", id);
      std::FILE* csv = std::fopen(dir_.File("students.csv").c_str(), "a");
      std::fprintf(csv, "exam,%s.zip,%s,学生%zu,英语\n", id.c_str(), id.c_str(), i);
      std::fclose(csv);
    }
  }

  CliResult Batch(const std::string& out, const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"batch", "students.csv", "--out",  out, "--jobs",
                                     "2",     "--key-file",   key_file_};
    args.insert(args.end(), more.begin(), more.end());
    return Cli(args);
  }
  CliResult Keygen(const std::string& key) { return Cli({"keygen", "--signing", key}); }
  json Manifest(const std::string& folder) const {
    return json::parse(ReadFileForTest(dir_.File(folder + "/MANIFEST.json")));
  }
  std::set<std::string> FilesOf(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.File(folder))) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
};

TEST_F(VerifyCommandTest, FreshFolderPassesAndStandardToolsAgree) {
  ASSERT_EQ(Keygen("keys/sign.key").exit_code, 1);  // the folder must exist
  fs::create_directory(dir_.File("keys"));
  const CliResult keygen = Keygen("keys/sign.key");
  ASSERT_EQ(keygen.exit_code, 0) << keygen.err;
  EXPECT_EQ(keygen.out, "keys/sign.key\nkeys/sign.key.pub\n");
  struct stat st {};
  ASSERT_EQ(::stat(dir_.File("keys/sign.key").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // A second keygen replaces neither key.
  const std::string secret = ReadFileForTest(dir_.File("keys/sign.key"));
  const CliResult again = Keygen("keys/sign.key");
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_NE(again.err.find("签名密钥文件已存在，拒绝覆盖：keys/sign.key"), std::string::npos);
  EXPECT_EQ(ReadFileForTest(dir_.File("keys/sign.key")), secret);

  const CliResult batch = Batch("pages", {"--sign", "keys/sign.key"});
  ASSERT_EQ(batch.exit_code, 0) << batch.err;
  EXPECT_EQ(batch.err.find("签名密钥文件的权限"), std::string::npos) << "a key of mode 0600";
  const CliResult verify = Cli({"verify", "pages", "--public-key", "keys/sign.key.pub"});
  EXPECT_EQ(verify.exit_code, 0) << verify.out << verify.err;
  EXPECT_EQ(verify.out, "");
  EXPECT_NE(verify.err.find("签名有效"), std::string::npos) << verify.err;

  // Every file of the folder is listed, each as sha256sum sees it.
  const json manifest = Manifest("pages");
  std::set<std::string> listed;
  for (const json& file : manifest["files"]) {
    listed.insert(file["path"]);
    const std::string path = dir_.File("pages/" + file["path"].get<std::string>());
    EXPECT_EQ(file["sha256"], Sha256sum(path)) << path;
    EXPECT_EQ(file["size"], fs::file_size(path)) << path;
  }
  std::set<std::string> present = FilesOf("pages");
  present.erase("MANIFEST.json");
  present.erase("MANIFEST.json.sig");
  EXPECT_EQ(listed, present);
  ASSERT_EQ(manifest["students"].size(), kStudents);
  for (const json& student : manifest["students"]) {
    EXPECT_EQ(student["state"], "complete");
    // The hash the run took, kept in the student's results file, is the
    // package's as sha256sum sees it, and the manifest names it.
    const std::string package_hash = Sha256sum(student["package"]);
    EXPECT_EQ(student["package_sha256"], package_hash);
    const json results =
        json::parse(ReadFileForTest(dir_.File("pages/" + student["results"].get<std::string>())));
    EXPECT_EQ(results["package_sha256"], package_hash);
  }
  // The manifest's own hash: the file with the field's value emptied.
  EXPECT_EQ(Shell("sed 's/\"manifest_sha256\": \"[0-9a-f]*\"/\"manifest_sha256\": \"\"/' " +
                  ShellQuote(dir_.File("pages/MANIFEST.json")) + " | sha256sum")
                .substr(0, 64),
            manifest["manifest_sha256"]);
  // The signature, checked by openssl where it is installed.
  if (!Shell("command -v openssl").empty()) {
    EXPECT_EQ(Shell("cd " + ShellQuote(dir_.path()) +
                    " && openssl pkeyutl -verify -pubin -inkey keys/sign.key.pub -rawin"
                    " -in pages/MANIFEST.json -sigfile pages/MANIFEST.json.sig"),
              "Signature Verified Successfully\n");
  }
}

// Each change to a signed folder is named, and nothing else is.
TEST_F(VerifyCommandTest, EveryChangeIsNamed) {
  fs::create_directory(dir_.File("keys"));
  ASSERT_EQ(Keygen("keys/sign.key").exit_code, 0);
  ASSERT_EQ(Keygen("keys/other.key").exit_code, 0);
  ASSERT_EQ(Batch("signed", {"--sign", "keys/sign.key"}).exit_code, 0);
  const auto in = [&](const std::string& name) { return dir_.File("case/" + name); };
  const auto edit_manifest = [&](const std::string& from, const std::string& to) {
    std::string text = ReadFileForTest(in("MANIFEST.json"));
    text.replace(text.find(from), from.size(), to);
    WriteFileForTest(in("MANIFEST.json"), text);
  };
  struct Case {
    std::string what;
    std::function<void()> change;
    std::set<std::string> findings;
  };
  const Case cases[] = {
      {"one byte of a page",
       [&] {
         std::string page = ReadFileForTest(in("1002.html"));
         page[page.size() / 2] ^= 1;
         WriteFileForTest(in("1002.html"), page);
       },
       {"已改动：1002.html"}},
      {"a page removed", [&] { fs::remove(in("1003.html")); }, {"缺失：1003.html"}},
      {"files added",
       [&] {
         WriteFileForTest(in("notes.txt"), "");
         fs::create_directory(in("more"));
         WriteFileForTest(in("more/1009.html"), "<html>");
         fs::create_symlink("1001.html", in("link.html"));
       },
       {"多出：notes.txt", "多出：more/1009.html", "多出：link.html（不是普通文件）"}},
      {"a file's hash edited in the manifest",
       [&] {
         edit_manifest("\"kind\": \"page\",\n      \"size\": ",
                       "\"kind\": \"page\",\n      \"size\": 1");
       },
       {"存档清单已被改动（自身散列不符）：case/MANIFEST.json",
        "签名不符（存档清单被改动，或签名用的不是这把密钥）：case/MANIFEST.json.sig",
        "已改动：1001.html"}},
      {"the manifest edited with its own hash made again",
       [&] {
         edit_manifest("\"state\": \"complete\"", "\"state\": \"with_errors\"");
         const json manifest = json::parse(ReadFileForTest(in("MANIFEST.json")));
         edit_manifest(manifest["manifest_sha256"], "");
         edit_manifest("\"manifest_sha256\": \"",
                       "\"manifest_sha256\": \"" + Sha256sum(in("MANIFEST.json")));
       },
       {"签名不符（存档清单被改动，或签名用的不是这把密钥）：case/MANIFEST.json.sig"}},
      {"signed again with another key",
       [&] {
         ASSERT_EQ(Cli({"summary", "case", "--sign", "keys/other.key"}).exit_code, 0);
       },
       {"签名不符（存档清单被改动，或签名用的不是这把密钥）：case/MANIFEST.json.sig"}},
      {"the manifest's own hash removed",
       [&] {
         const json manifest = json::parse(ReadFileForTest(in("MANIFEST.json")));
         edit_manifest(
             "\"manifest_sha256\": \"" + manifest["manifest_sha256"].get<std::string>() + "\",\n  ",
             "");
       },
       {"存档清单已被改动（自身散列不符）：case/MANIFEST.json",
        "签名不符（存档清单被改动，或签名用的不是这把密钥）：case/MANIFEST.json.sig"}},
      {"the signature removed",
       [&] { fs::remove(in("MANIFEST.json.sig")); },
       {"缺少签名：case/MANIFEST.json.sig"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_.File("case"));
    fs::copy(dir_.File("signed"), dir_.File("case"));
    c.change();
    const CliResult r = Cli({"verify", "case/", "--public-key", "keys/sign.key.pub"});
    EXPECT_EQ(r.exit_code, 1) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), c.findings) << r.out;
    EXPECT_NE(r.err.find("核对未通过：" + std::to_string(c.findings.size()) + " 处不符"),
              std::string::npos)
        << r.err;
  }
}

// A later --resume or summary writes a manifest over every file; shards
// leave it to the summary.
TEST_F(VerifyCommandTest, ResumeAndSummaryRewriteTheManifest) {
  ASSERT_EQ(Batch("pages").exit_code, 0);
  fs::remove(dir_.File("pages/1002.html"));
  EXPECT_EQ(Cli({"verify", "pages"}).out, "缺失：1002.html\n");
  ASSERT_EQ(Batch("pages", {"--resume"}).exit_code, 0);
  const CliResult verify = Cli({"verify", "pages"});
  EXPECT_EQ(verify.exit_code, 0) << verify.out;
  EXPECT_EQ(Manifest("pages")["students"].size(), kStudents);
  // A package changed after its page was made: the manifest keeps the hash
  // of the package the page came from.
  const std::string made_from = Sha256sum(dir_.File("exam/1001.zip"));
  std::FILE* package = std::fopen(dir_.File("exam/1001.zip").c_str(), "a");
  std::fputs("changed", package);
  std::fclose(package);
  ASSERT_EQ(Cli({"summary", "pages"}).exit_code, 0);
  const json rewritten = Manifest("pages");
  EXPECT_EQ(rewritten["students"][0]["student_id"], "1001");
  EXPECT_EQ(rewritten["students"][0]["package_sha256"], made_from);
  EXPECT_NE(Sha256sum(dir_.File("exam/1001.zip")), made_from);

  for (const char* shard : {"0/2", "1/2"}) {
    ASSERT_EQ(Batch("shards", {"--shard", shard}).exit_code, 0);
  }
  EXPECT_FALSE(fs::exists(dir_.File("shards/MANIFEST.json")));
  ASSERT_EQ(Cli({"summary", "shards"}).exit_code, 0);
  EXPECT_EQ(Cli({"verify", "shards"}).exit_code, 0);
  EXPECT_EQ(Manifest("shards")["files"].size(), FilesOf("shards").size() - 1);
}

// Names are any bytes but "/" and NUL: each is recorded exactly, so an
// untouched folder verifies, and printed on one line, so no name can pass
// for a line of verify's own.
TEST_F(VerifyCommandTest, EveryNameIsKeptExactlyAndPrintedOnOneLine) {
  ASSERT_EQ(Batch("pages").exit_code, 0);
  const std::string latin1 = "caf\xe9.txt";  // not UTF-8
  const std::string forged = "x\n核对通过：3 个文件与存档清单相符";
  const std::string separated = "y\xe2\x80\xa8核对通过";  // U+2028
  for (const std::string& name : {latin1, forged, separated}) {
    WriteFileForTest(dir_.File("pages/" + name), name);
  }
  ASSERT_EQ(Cli({"summary", "pages"}).exit_code, 0);
  const CliResult untouched = Cli({"verify", "pages"});
  EXPECT_EQ(untouched.exit_code, 0) << untouched.out << untouched.err;
  EXPECT_EQ(untouched.out, "");

  // A name that is not UTF-8 is kept in base64 beside a form to read; every
  // other entry is as it was.
  json latin1_entry, page_entry;
  const json manifest = Manifest("pages");
  for (const json& file : manifest["files"]) {
    if (file.contains("path_base64")) latin1_entry = file;
    if (file["path"] == "1001.html") page_entry = file;
  }
  EXPECT_EQ(latin1_entry["path"], "caf\\xe9.txt");
  EXPECT_EQ(Shell("printf %s " + latin1_entry["path_base64"].get<std::string>() + " | base64 -d"),
            latin1);
  EXPECT_EQ(latin1_entry["kind"], "other");
  std::vector<std::string> keys;
  for (const auto& [key, value] : page_entry.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"kind", "path", "sha256", "size"}));

  for (const std::string& name : {latin1, forged, separated}) {
    WriteFileForTest(dir_.File("pages/" + name), "changed");
  }
  WriteFileForTest(dir_.File("pages/new\r核对通过"), "");
  const CliResult changed = Cli({"verify", "pages"});
  EXPECT_EQ(changed.exit_code, 1);
  const std::vector<std::string> lines = Lines(changed.out);
  EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()),
            (std::set<std::string>{"已改动：caf\\xe9.txt",
                                   "已改动：x\\x0a核对通过：3 个文件与存档清单相符",
                                   "已改动：y\\xe2\\x80\\xa8核对通过", "多出：new\\x0d核对通过"}))
      << changed.out;
  EXPECT_EQ(changed.out.find('\r'), std::string::npos);
  fs::remove(dir_.File("pages/" + latin1));
  EXPECT_NE(Cli({"verify", "pages"}).out.find("缺失：caf\\xe9.txt\n"), std::string::npos);
}

// What the manifest says of a student comes from what the batch recorded
// and what the folder holds: a results file is never a reason to read the
// package it names, and a PDF is named only when it is there.
TEST_F(VerifyCommandTest, StudentsAreRecordedFromTheFolderOnly) {
  ASSERT_EQ(Batch("pages").exit_code, 0);
  const auto edit_record = [&](const std::string& from, const std::string& to,
                               const std::function<void(json&)>& change) {
    json record = json::parse(ReadFileForTest(dir_.File("pages/" + from)));
    change(record);
    WriteFileForTest(dir_.File("pages/" + to), record.dump());
  };
  // A results file of an earlier version, which took no hash of its package.
  edit_record("1002.results.json", "1002.results.json",
              [](json& record) { record.erase("package_sha256"); });
  // A planted one naming a file of the runner's as its package.
  WriteFileForTest(dir_.File("private.txt"), "not for the archive");
  edit_record("1003.results.json", "planted.results.json", [&](json& record) {
    record["package_sha256"] = std::string(64, 'Z');  // no hash
    record["package"] = dir_.File("private.txt");
    record["page"] = "planted.html";
  });
  // A PDF is the student's only beside a page made with one; beside a page
  // made without, it is an earlier page's.
  edit_record("1001.results.json", "1001.results.json",
              [](json& record) { record["options"]["pdf"] = true; });
  // Made with a PDF that never came (its print failed): none is named.
  edit_record("1003.results.json", "1003.results.json",
              [](json& record) { record["options"]["pdf"] = true; });
  WriteFileForTest(dir_.File("pages/1001.pdf"), "%PDF-1.4");
  WriteFileForTest(dir_.File("pages/1002.pdf"), "%PDF-1.4");
  ASSERT_EQ(Cli({"summary", "pages"}).exit_code, 0);

  const json manifest = Manifest("pages");
  const std::string text = ReadFileForTest(dir_.File("pages/MANIFEST.json"));
  EXPECT_EQ(text.find(Sha256sum(dir_.File("private.txt"))), std::string::npos);
  std::map<std::string, json> students;
  for (const json& student : manifest["students"]) students[student["results"]] = student;
  ASSERT_EQ(students.size(), 4u) << manifest["students"];
  EXPECT_EQ(students["1001.results.json"]["package_sha256"], Sha256sum(dir_.File("exam/1001.zip")));
  EXPECT_EQ(students["1001.results.json"]["pdf"], "1001.pdf");
  EXPECT_TRUE(students["1002.results.json"]["package_sha256"].is_null());
  EXPECT_TRUE(students["1002.results.json"]["pdf"].is_null());
  EXPECT_TRUE(students["1003.results.json"]["pdf"].is_null());
  EXPECT_TRUE(students["planted.results.json"]["package_sha256"].is_null());
  EXPECT_EQ(students["planted.results.json"]["package"], dir_.File("private.txt"));
  std::map<std::string, std::string> kinds;
  for (const json& file : manifest["files"]) kinds[file["path"]] = file["kind"];
  EXPECT_EQ(kinds["1001.pdf"], "pdf");
  EXPECT_EQ(kinds["1002.pdf"], "other");
  EXPECT_EQ(kinds["planted.results.json"], "results");
}

// The largest manifest verify reads grows with what the folder holds: its
// files' names, and its students' results files, which their entries copy.
TEST(ManifestSizeCapTest, FollowsTheFilesOfTheFolder) {
  TempDir dir;
  fs::create_directory(dir.File("sub"));
  WriteFileForTest(dir.File("a.html"), "page");
  WriteFileForTest(dir.File("a.results.json"), std::string(5000, 'r'));
  WriteFileForTest(dir.File("sub/b.results.json"), std::string(7000, 'r'));  // no student's
  const std::string folder = dir.path() + "/";
  const cli::FolderContents contents = cli::ListFolder(folder);
  ASSERT_EQ(contents.files.size(), 3u);
  const size_t names = std::string("a.html").size() + std::string("a.results.json").size() +
                       std::string("sub/b.results.json").size();
  EXPECT_EQ(cli::ManifestSizeCap(folder, contents),
            16 * 1024 * 1024 + 3 * 1024 + 32 * names + 1024 + 2 * 5000);
  EXPECT_EQ(cli::ManifestSizeCap(folder, {}), 16u * 1024 * 1024);
}

TEST_F(VerifyCommandTest, UnreadableManifestsAndBadUsage) {
  ASSERT_EQ(Batch("pages").exit_code, 0);
  WriteFileForTest(dir_.File("not-a-key.pub"), "-----BEGIN PUBLIC KEY-----\nAAAA\n");
  fs::create_directory(dir_.File("empty"));
  fs::create_directory(dir_.File("other"));
  WriteFileForTest(dir_.File("other/MANIFEST.json"), "{\"format\": \"something else\"}");
  // Manifests made to hurt a checker: each is refused, nothing of them is
  // repeated, and verify stays within its bounds.
  const auto plant = [&](const std::string& folder, const std::string& files) {
    fs::create_directory(dir_.File(folder));
    WriteFileForTest(dir_.File(folder + "/MANIFEST.json"),
                     "{\"manifest_sha256\": \"\", \"format\": \"generate-sheet archive "
                     "manifest 1\", \"files\": [" +
                         files + "]}");
  };
  // Signing keys: one file holding two keys; keys in the folder the
  // manifest lists, by name or through a link; a key others may read.
  ASSERT_EQ(Keygen("one.key").exit_code, 0);
  ASSERT_EQ(Keygen("two.key").exit_code, 0);
  WriteFileForTest(dir_.File("both.key"), ReadFileForTest(dir_.File("one.key")) +
                                              Lines(ReadFileForTest(dir_.File("two.key")))[1] +
                                              "\n");
  fs::copy_file(dir_.File("one.key"), dir_.File("pages/inside.key"));
  fs::create_symlink("pages/inside.key", dir_.File("link.key"));
  fs::create_directory(dir_.File("pages-keys"));  // beside the folder, its name a prefix
  fs::copy_file(dir_.File("one.key"), dir_.File("pages-keys/open.key"));
  fs::permissions(dir_.File("pages-keys/open.key"), fs::perms::others_read, fs::perm_options::add);
  const std::string entry = R"({"path": "a", "size": 1, "sha256": "00"})";
  plant("deep", std::string(200000, '[') + std::string(200000, ']'));
  plant("deep-entry", R"({"path": "a", "size": 1, "sha256": "00", "kind": )" +
                          std::string(15, '[') + std::string(15, ']') + "}");
  plant("huge", entry);
  fs::resize_file(dir_.File("huge/MANIFEST.json"), 40 << 20);
  plant("mistyped", R"({"path": "SECRET-NAME", "size": "1", "sha256": "00"})");
  plant("no-path", R"({"size": 1, "sha256": "00"})");
  plant("not-an-object", entry + R"(, "SECRET-NAME")");
  plant("twice", entry + "," + entry);
  plant("cut-short", entry + ",");
  plant("outside",
        R"({"path": "x", "path_base64": "Li4vbWFzdGVyLmtleQ==", "size": 1, "sha256": "00"})");
  plant("nul", R"({"path": "1001.html\u0000x", "size": 1, "sha256": "00"})");
  plant("bad-base64", R"({"path": "x", "path_base64": "%%%", "size": 1, "sha256": "00"})");
  // Files that are not there, one more than a folder of no files may list.
  const auto absent = [](size_t count) {
    std::string entries;
    for (size_t i = 0; i < count; ++i) {
      entries += (i == 0 ? "" : ",") + std::string("{\"path\": \"p") + std::to_string(i) +
                 R"(", "size": 1, "sha256": "00"})";
    }
    return entries;
  };
  plant("too-many", absent(cli::kManifestMissingFiles + 1));
  plant("all-missing", absent(cli::kManifestMissingFiles));
  fs::create_directory(dir_.File("no-files"));
  WriteFileForTest(dir_.File("no-files/MANIFEST.json"),
                   R"({"format": "generate-sheet archive manifest 1", "students": []})");
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string message;
  };
  const Case cases[] = {
      {{"verify"}, 2, "缺少参数：文件夹"},
      {{"verify", "pages", "--public-key="}, 2, "选项 --public-key 的值为空"},
      {{"verify", "empty"}, 1, "无法读取存档清单："},
      {{"verify", "missing"}, 1, "无法列出文件夹：missing/"},
      {{"verify", "other"}, 1, "不是 generate-sheet 的存档清单"},
      {{"verify", "pages", "--public-key", "not-a-key.pub"},
       1,
       "签名公钥文件不是 PEM 格式的 Ed25519 公钥：not-a-key.pub"},
      {{"summary", "pages", "--sign", "master.key"}, 1, "不是签名密钥文件"},
      {{"summary", "pages", "--sign", "both.key"},
       1,
       "无法读取签名密钥文件：both.key：应当恰好有一行密钥（64 个十六进制数字）"},
      {{"summary", "pages", "--sign", "pages/inside.key"},
       2,
       "签名密钥文件在输出文件夹中，会被收入存档并随文件夹交出：pages/inside.key"},
      {{"summary", "pages", "--sign", "link.key"}, 2, "签名密钥文件在输出文件夹中"},
      {{"batch", "students.csv", "--out", "pages/", "--key-file", key_file_, "--sign",
        "pages/more/../inside.key"},
       2,
       "签名密钥文件在输出文件夹中"},
      {{"summary", "pages", "--sign", "pages-keys/open.key"},
       0,
       "警告：签名密钥文件的权限为 0604，其他用户也能访问：pages-keys/open.key（请执行 chmod "
       "600）"},
      {{"verify", "deep"}, 1, "存档清单嵌套过深（超过 16 层）：deep/MANIFEST.json"},
      {{"verify", "deep-entry"}, 1, "存档清单嵌套过深（超过 16 层）：deep-entry/MANIFEST.json"},
      {{"verify", "huge"}, 1, "无法读取存档清单：文件过大（超过 16 MiB）：huge/MANIFEST.json"},
      {{"verify", "mistyped"},
       1,
       "存档清单的 files 中第 1 项缺少 path、size 或 sha256，或其类型不对：mistyped/MANIFEST.json"},
      {{"verify", "no-path"}, 1, "存档清单的 files 中第 1 项缺少 path、size 或 sha256"},
      {{"verify", "not-an-object"}, 1, "存档清单的 files 中第 2 项不是对象：not-an-object/"},
      {{"verify", "twice"}, 1, "存档清单的 files 中第 2 项与前面的一项是同一个文件：twice/"},
      {{"verify", "outside"},
       1,
       "存档清单中的路径指向文件夹之外：outside/MANIFEST.json：../master.key"},
      {{"verify", "nul"}, 1, "存档清单中的路径指向文件夹之外：nul/MANIFEST.json：1001.html\\x00x"},
      {{"verify", "bad-base64"}, 1, "存档清单的 files 中第 1 项的 path_base64 不是 base64"},
      {{"verify", "cut-short"}, 1, "存档清单不是有效的 JSON：cut-short/MANIFEST.json"},
      {{"verify", "no-files"}, 1, "存档清单缺少 files 列表：no-files/MANIFEST.json"},
      {{"verify", "too-many"},
       1,
       "存档清单列出的文件超过 200000 个，远多于文件夹中的文件，不再逐一核对：too-many/"
       "MANIFEST.json"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("SECRET-NAME"), std::string::npos) << r.err;
    if (c.args[0] == "verify") {
      EXPECT_EQ(r.out, "");
    }
  }
  // As many as it may: each is named missing.
  const CliResult all_missing = Cli({"verify", "all-missing"});
  EXPECT_EQ(all_missing.exit_code, 1);
  const std::vector<std::string> missing = Lines(all_missing.out);
  ASSERT_EQ(missing.size(), cli::kManifestMissingFiles + 1);
  EXPECT_EQ(missing[0], "存档清单已被改动（自身散列不符）：all-missing/MANIFEST.json");
  EXPECT_EQ(missing[1], "缺失：p0");
  // A manifest that cannot be written fails the batch, every page complete.
  fs::create_directories(dir_.File("blocked/MANIFEST.json"));
  const CliResult blocked = Batch("blocked");
  EXPECT_EQ(blocked.exit_code, 1);
  EXPECT_NE(blocked.err.find("存档清单未写出："), std::string::npos) << blocked.err;
}

}  // namespace
}  // namespace generatesheet::testing

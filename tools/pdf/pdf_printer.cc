#include "tools/pdf/pdf_printer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sodium.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string_view>
#include <thread>
#include <vector>

#include "util/base64.h"
#include "util/error.h"
#include "util/file_util.h"
#include "util/leftover_files.h"

extern char** environ;

namespace generatesheet::cli {

namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

constexpr int kReplyTimeoutMs = 60000;
// The fds Chromium reads commands from and writes replies to.
constexpr int kCommandFd = 3;
constexpr int kReplyFd = 4;
// A4 in inches, as the protocol takes it.
constexpr double kA4Width = 8.27;
constexpr double kA4Height = 11.69;

// Every printed page names the student (the page's title, which the program
// fills with the student's number, name and subject) and carries its number,
// unless the page's own style sets page margin boxes (the bundled template
// does: the header and the page number), which then stand alone.  Chromium
// lays these out on their own, at a tiny default size, hence the explicit
// font and size.
std::string HeaderFooter(const std::string& inner_html) {
  return "<div style=\"font: 9pt 'Noto Sans CJK SC', 'Source Han Sans SC', 'WenQuanYi Micro Hei',"
         " sans-serif; color: #57606a; width: 100%; text-align: center;\">" +
         inner_html + "</div>";
}

// True when a style sheet of the page sets a page margin box (@top-center
// and the like, inside @page).  A sheet that cannot be read counts as none.
constexpr char kHasMarginBoxes[] =
    "[...document.styleSheets].some(sheet => { try { return [...sheet.cssRules].some("
    "rule => rule instanceof CSSPageRule && rule.cssRules && rule.cssRules.length > 0); }"
    " catch (e) { return false; } })";

// What printing needs to know of a loaded page: whether it sets margin
// boxes, and every character it may show (its text, its title, and the
// strings of its style sheets and scripts, which make the running header).
const std::string kPageFacts =
    std::string("({margin: ") + kHasMarginBoxes + ", text: document.documentElement.textContent})";

// Adds [weight, base64 font] pairs to the page as faces of the family; a
// face the browser refuses is passed over, and the page keeps the installed
// font for it.  It waits for these faces only, never for fonts the page
// itself may be fetching from afar.
constexpr char kAddFaces[] =
    "(async (family, faces) => { for (const [weight, data] of faces) { try {"
    " const face = new FontFace(family, Uint8Array.from(atob(data), c => c.charCodeAt(0)),"
    " {weight: String(weight)}); await face.load(); document.fonts.add(face); } catch (e) {} } })";

const char* const kChromiumFlags[] = {"--headless",
                                      "--no-sandbox",
                                      "--disable-gpu",
                                      "--disable-quic",
                                      "--no-first-run",
                                      "--disable-background-networking",
                                      "--disable-component-update",
                                      "--disable-sync",
                                      "--remote-debugging-pipe"};

// A file URL for a path: absolute, every byte outside the unreserved set
// percent-encoded.
std::string FileUrl(const std::string& path) {
  const std::string absolute = fs::absolute(path).lexically_normal().string();
  std::string url = "file://";
  for (const unsigned char c : absolute) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

// A pipe whose ends lie above the fds the child gets, so dup2 into 3 and 4
// cannot clobber the other end.
void HighPipe(int fds[2]) {
  int raw[2];
  if (::pipe2(raw, O_CLOEXEC) != 0) throw SystemError("无法创建管道", "chromium", errno);
  for (int i = 0; i < 2; ++i) {
    fds[i] = ::fcntl(raw[i], F_DUPFD_CLOEXEC, 10);
    ::close(raw[i]);
  }
  if (fds[0] < 0 || fds[1] < 0) throw SystemError("无法创建管道", "chromium", errno);
}

constexpr char kProfilePrefix[] = "generate-sheet-chromium-";
constexpr size_t kProfileSuffix = 6;  // the XXXXXX of mkdtemp

bool IsProfileName(const std::string& name) {
  return name.size() == sizeof kProfilePrefix - 1 + kProfileSuffix &&
         name.starts_with(kProfilePrefix) &&
         std::all_of(name.end() - kProfileSuffix, name.end(),
                     [](unsigned char c) { return std::isalnum(c) != 0; });
}

// The fd the browser holds its profile folder's lock on: the lock is the
// printer's and its browser's both, so it is free only once neither runs
// (a browser outlives a killed printer until it sees its pipe closed).
constexpr int kProfileLockFd = 5;

}  // namespace

void RemoveLeftoverBrowserProfiles() {
  std::error_code ec;
  const fs::path temp = fs::temp_directory_path(ec);
  if (ec) return;
  for (fs::directory_iterator it(temp, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!IsProfileName(name)) continue;
    FileDescriptor folder(
        ::open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!folder.valid() || ::fstat(folder.get(), &st) != 0 || st.st_uid != ::geteuid() ||
        !HoldTemporary(folder.get())) {
      continue;
    }
    std::error_code remove_ec;
    fs::remove_all(it->path(), remove_ec);
  }
}

namespace {

// The browser's profile folder, new and held for as long as `fd` is open.
std::string MakeProfile(FileDescriptor& fd) {
  RemoveLeftoverBrowserProfiles();
  for (int attempt = 0;; ++attempt) {
    std::string profile = (fs::temp_directory_path() / kProfilePrefix).string() + "XXXXXX";
    if (::mkdtemp(profile.data()) == nullptr) {
      throw SystemError("无法创建 Chromium 的临时配置文件夹", profile, errno);
    }
    fd.Reset(::open(profile.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // Another run's clean-up may have taken it before this lock: then it
    // removes it, and another is made.
    struct stat st {};
    const bool held =
        fd.valid() && HoldTemporary(fd.get()) && ::fstat(fd.get(), &st) == 0 && st.st_nlink > 0;
    if (held || attempt == 10) return profile;
  }
}

std::string Base64Decode(const std::string& text) {
  std::string bytes;
  if (!DecodeBase64(text, &bytes)) throw Error("Chromium 返回的 PDF 数据不是有效的 base64");
  return bytes;
}

// The browsers looked for on PATH, in this order.
const char* const kBrowserNames[] = {"chromium", "chromium-browser", "google-chrome",
                                     "google-chrome-stable"};

std::string BrowserNames() {
  std::string names;
  for (const char* name : kBrowserNames) names += (names.empty() ? "" : "、") + std::string(name);
  return names;
}

// The executable a command name stands for, as a shell would find it: a
// name with a "/" as it is, another on PATH; "" when there is none.
std::string FindProgram(const std::string& name) {
  const auto runnable = [](const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
  };
  if (name.find('/') != std::string::npos) return runnable(name) ? name : "";
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "";
  for (;;) {
    const size_t colon = folders.find(':');
    const std::string folder(folders.substr(0, colon));
    const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    if (runnable(candidate)) return candidate;
    if (colon == std::string_view::npos) return "";
    folders.remove_prefix(colon + 1);
  }
}

}  // namespace

std::string FindBrowser() {
  const char* named = std::getenv(kBrowserVariable);
  if (named != nullptr && *named != '\0') {
    const std::string found = FindProgram(named);
    if (found.empty()) {
      throw Error(std::string("找不到浏览器，无法生成 PDF：环境变量 ") + kBrowserVariable +
                  " 指向的 " + named + " 不存在或不是可执行的程序。请把它设为 Chromium 或 Chrome " +
                  "的路径，或删去它以在 PATH 中查找 " + BrowserNames());
    }
    return found;
  }
  for (const char* name : kBrowserNames) {
    const std::string found = FindProgram(name);
    if (!found.empty()) return found;
  }
  throw Error("找不到浏览器，无法生成 PDF：PATH 中没有 " + BrowserNames() +
              "。请先安装：apt-get install chromium fonts-noto-cjk（或运行 "
              "scripts/install-deps.sh --with-browser），或用环境变量 " +
              kBrowserVariable + " 指明浏览器的路径");
}

PdfPrinter::~PdfPrinter() { Stop(); }

void PdfPrinter::Start() {
  browser_ = FindBrowser();
  // A browser that dies must fail the write, not kill this program.
  ::signal(SIGPIPE, SIG_IGN);
  profile_ = MakeProfile(profile_lock_);

  int commands[2], replies[2];
  HighPipe(commands);
  HighPipe(replies);
  FileDescriptor command_read(commands[0]), reply_write(replies[1]);
  to_browser_.Reset(commands[1]);
  from_browser_.Reset(replies[0]);

  std::vector<std::string> args = {browser_};
  for (const char* flag : kChromiumFlags) args.emplace_back(flag);
  args.push_back("--user-data-dir=" + profile_);
  args.push_back("about:blank");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, command_read.get(), kCommandFd);
  posix_spawn_file_actions_adddup2(&actions, reply_write.get(), kReplyFd);
  // A copy above the fds the child gets, as for the pipes.
  FileDescriptor lock_copy(::fcntl(profile_lock_.get(), F_DUPFD_CLOEXEC, 10));
  if (!lock_copy.valid()) throw SystemError("无法复制文件描述符", profile_, errno);
  posix_spawn_file_actions_adddup2(&actions, lock_copy.get(), kProfileLockFd);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // The browser gets no blocked signals of a batch that watches SIGINT, and
  // a group of its own, so a Ctrl-C at the terminal stops the batch, which
  // finishes the page in flight, rather than the browser under it.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
  const int spawned =
      ::posix_spawn(&pid_, browser_.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    throw SystemError("无法启动浏览器", browser_, spawned);
  }

  const Json target = Json::parse(Call("Target.createTarget", R"({"url":"about:blank"})", true));
  const Json attached =
      Json::parse(Call("Target.attachToTarget",
                       Json{{"targetId", target.at("targetId")}, {"flatten", true}}.dump(), true));
  session_ = attached.at("sessionId").get<std::string>();
  Call("Page.enable", "{}");
}

void PdfPrinter::Stop() noexcept {
  to_browser_.Reset();  // Chromium leaves when its command pipe closes
  from_browser_.Reset();
  if (pid_ > 0) {
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
  }
  if (!profile_.empty()) {
    std::error_code ec;
    fs::remove_all(profile_, ec);
    profile_.clear();
    profile_lock_.Reset();
    // Those of a run killed while this one began whose browser ran on.
    RemoveLeftoverBrowserProfiles();
  }
  session_.clear();
  buffer_.clear();
}

std::string PdfPrinter::NextMessage() {
  for (size_t end; (end = buffer_.find('\0')) == std::string::npos;) {
    pollfd p{from_browser_.get(), POLLIN, 0};
    const int ready = ::poll(&p, 1, kReplyTimeoutMs);
    if (ready == 0) throw Error("Chromium 在 60 秒内没有应答");
    if (ready < 0 && errno != EINTR)
      throw SystemError("无法读取 Chromium 的应答", "chromium", errno);
    char chunk[65536];
    const ssize_t n = ::read(from_browser_.get(), chunk, sizeof chunk);
    if (n == 0) throw Error("Chromium 意外退出");
    if (n < 0 && errno != EINTR && errno != EAGAIN) {
      throw SystemError("无法读取 Chromium 的应答", "chromium", errno);
    }
    if (n > 0) buffer_.append(chunk, static_cast<size_t>(n));
  }
  const size_t end = buffer_.find('\0');
  std::string message = buffer_.substr(0, end);
  buffer_.erase(0, end + 1);
  return message;
}

std::string PdfPrinter::Call(const std::string& method, const std::string& params_json,
                             bool browser) {
  const std::int64_t id = next_id_++;
  Json command{{"id", id}, {"method", method}, {"params", Json::parse(params_json)}};
  if (!browser) command["sessionId"] = session_;
  WriteAll(to_browser_.get(), command.dump() + '\0', "chromium");
  for (;;) {
    const Json message = Json::parse(NextMessage());
    if (message.contains("id") && message["id"] == id) {
      if (message.contains("error")) {
        throw Error("Chromium 拒绝了 " + method + "：" + message["error"].value("message", ""));
      }
      return message.value("result", Json::object()).dump();
    }
    Notice(message.dump());
  }
}

void PdfPrinter::Notice(const std::string& event_json) {
  const Json message = Json::parse(event_json);
  const std::string event = message.value("method", "");
  if (event == "Page.loadEventFired" && message.value("sessionId", "") == session_) {
    loaded_ = true;
  } else if (event == "Target.detachedFromTarget" || event == "Inspector.detached") {
    throw Error("Chromium 关闭了页面");
  }
}

void PdfPrinter::Load(const std::string& url) {
  if (pid_ < 0) Start();
  loaded_ = false;
  const Json navigated = Json::parse(Call("Page.navigate", Json{{"url", url}}.dump()));
  if (navigated.contains("errorText")) {
    throw Error("Chromium 无法打开页面：" + navigated["errorText"].get<std::string>());
  }
  while (!loaded_) Notice(NextMessage());
}

void PdfPrinter::UseFontSubsets(const std::string& text) {
  if (!fonts_) fonts_ = OpenPrintFonts();
  Json faces = Json::array();
  for (const PrintFonts::Subset& subset : fonts_->SubsetFor(text)) {
    faces.push_back(Json::array({subset.weight, EncodeBase64(subset.bytes)}));
  }
  if (faces.empty()) return;
  const std::string call =
      std::string(kAddFaces) + "(" + Json(PrintFonts::kFamily).dump() + ", " + faces.dump() + ")";
  Call("Runtime.evaluate", Json{{"expression", call}, {"awaitPromise", true}}.dump());
}

std::string PdfPrinter::PrintLoaded(bool alone) {
  const Json facts = Json::parse(
      Call("Runtime.evaluate", Json{{"expression", kPageFacts}, {"returnByValue", true}}.dump()));
  const Json& page = facts.at("result").value("value", Json::object());
  const bool own_margin_boxes = page.value("margin", false);
  if (font_subsets_) UseFontSubsets(page.value("text", ""));
  const Json pdf = Json::parse(
      Call("Page.printToPDF",
           Json{{"paperWidth", kA4Width},
                {"paperHeight", kA4Height},
                {"printBackground", true},
                {"preferCSSPageSize", true},
                {"displayHeaderFooter", alone && !own_margin_boxes},
                {"generateTaggedPDF", alone},
                {"headerTemplate", HeaderFooter("<span class=\"title\"></span>")},
                {"footerTemplate", HeaderFooter("第 <span class=\"pageNumber\"></span> 页 / 共 "
                                                "<span class=\"totalPages\"></span> 页")}}
               .dump()));
  return Base64Decode(pdf.at("data").get<std::string>());
}

void PdfPrinter::Print(const std::string& page_path, const std::string& pdf_path) {
  try {
    Load(FileUrl(page_path));
    WriteFileAtomically(pdf_path, PrintLoaded());
  } catch (const std::exception& e) {
    Stop();
    throw Error("PDF 未生成：" + pdf_path + "：" + e.what());
  }
}

std::string PdfPrinter::PrintDocument(const std::string& html, bool tagged) {
  try {
    Load("data:text/html;charset=utf-8;base64," + EncodeBase64(html));
    return PrintLoaded(tagged);
  } catch (const std::exception& e) {
    Stop();
    throw Error(std::string("页面无法打印为 PDF：") + e.what());
  }
}

void PdfPrinter::Open(const std::string& page_path) { Load(FileUrl(page_path)); }

void PdfPrinter::Replace(const std::string& html) {
  Run("document.open(); document.write(" + Json(html).dump() + "); document.close(); true");
}

std::string PdfPrinter::Run(const std::string& expression) {
  const Json reply = Json::parse(
      Call("Runtime.evaluate", Json{{"expression", expression}, {"returnByValue", true}}.dump()));
  if (reply.contains("exceptionDetails"))
    throw Error("脚本出错：" + reply["exceptionDetails"].dump());
  return reply.at("result").value("value", Json()).dump();
}

std::string PdfPrinter::PrintOpen() { return PrintLoaded(false); }

void PdfPrinter::EmulatePrintMedia(bool on) {
  Call("Emulation.setEmulatedMedia", Json{{"media", on ? "print" : ""}}.dump());
}

std::string PdfPrinter::Evaluate(const std::string& page_path, const std::string& expression,
                                 int phone_width) {
  try {
    if (pid_ < 0) Start();
    if (phone_width > 0) {
      Call("Emulation.setDeviceMetricsOverride",
           Json{{"width", phone_width}, {"height", 800}, {"deviceScaleFactor", 1}, {"mobile", true}}
               .dump());
    }
    Load(FileUrl(page_path));
    const Json reply = Json::parse(Call(
        "Runtime.evaluate",
        Json{{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}}.dump()));
    if (reply.contains("exceptionDetails"))
      throw Error("脚本出错：" + reply["exceptionDetails"].dump());
    return reply.at("result").value("value", Json()).dump();
  } catch (const std::exception& e) {
    Stop();
    throw Error("页面无法在 Chromium 中检查：" + page_path + "：" + e.what());
  }
}

}  // namespace generatesheet::cli

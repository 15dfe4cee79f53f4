// A C++ host of the installed library: writes one page and catches the
// library's error type.
//   cxx_host PACKAGE_FOLDER ZIP_NAME TEMPLATE PAGE_PREFIX MISSING_MDB
#include <generatesheet/connection.h>
#include <generatesheet/create_html.h>
#include <generatesheet/error.h>
#include <generatesheet/version.h>

#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 6) return 2;
  std::cout << "version " << generatesheet::Version() << " " << GENERATESHEET_VERSION << "\n";

  generatesheet::CreateHtml sheet;
  sheet.SetBakDataPath(argv[1]);
  sheet.SetZipPaperName(argv[2]);
  sheet.SetTemplatePath(argv[3]);
  sheet.SetHTMLPaperPath(argv[4]);
  sheet.SetStudentID("1001");
  if (!sheet.GenerateSheet() || sheet.PagePath().empty()) {
    std::cerr << sheet.ErrMsg() << "\n";
    return 1;
  }
  std::cout << "page " << sheet.PagePath() << "\n";

  generatesheet::Connection connection;
  try {
    connection.Open(std::string("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + argv[5]);
    std::cerr << "opening a missing database did not throw\n";
    return 1;
  } catch (const generatesheet::Error& e) {
    std::cout << "caught " << e.what() << "\n";
  }
  return 0;
}

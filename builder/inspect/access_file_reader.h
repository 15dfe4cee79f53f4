// A read-only view of an Access file for tools that show what a package
// holds: its user tables, their declared columns and every row.
//
//   AccessFileReader reader("/tmp/p/Pbase.mdb");
//   for (const std::string& name : reader.UserTableNames()) {
//     const InspectedTable table = reader.ReadTable(name);
//   }
#ifndef GENERATESHEET_BUILDER_INSPECT_ACCESS_FILE_READER_H_
#define GENERATESHEET_BUILDER_INSPECT_ACCESS_FILE_READER_H_

#include <memory>
#include <string>
#include <vector>

#include "builder/jet/value.h"

namespace generatesheet {
class MdbReader;
}

namespace generatesheet::builder {

struct InspectedColumn {
  std::string name;
  // The declared Jet type: "boolean", "long", "currency", "numeric",
  // "datetime", "binary", "text", "ole", "memo", ...
  std::string type;
};

struct InspectedTable {
  std::string name;  // as the catalog spells it
  std::vector<InspectedColumn> columns;
  // One value per column; dates are text "YYYY-MM-DD hh:mm:ss", binary and
  // OLE values their bytes as text.
  std::vector<std::vector<jet::Value>> rows;
};

class AccessFileReader {
 public:
  // Opens the file at `path`; throws Error naming the file when it is
  // missing, unreadable or not a Jet 4 database.
  explicit AccessFileReader(const std::string& path);
  ~AccessFileReader();
  AccessFileReader(const AccessFileReader&) = delete;
  AccessFileReader& operator=(const AccessFileReader&) = delete;

  // The user tables (not MSys*), in catalog order.
  std::vector<std::string> UserTableNames() const;

  // The table named `name` (case-insensitive); throws Error naming the table
  // when there is none or its pages are damaged.
  InspectedTable ReadTable(const std::string& name);

 private:
  std::unique_ptr<MdbReader> reader_;
};

}  // namespace generatesheet::builder

#endif  // GENERATESHEET_BUILDER_INSPECT_ACCESS_FILE_READER_H_

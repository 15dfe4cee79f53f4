// A connection to one Access (Jet 4) database file.
//
// It stands where an ADO Connection stood: it keeps its connection string
// while closed, refuses to change it while open, is opened once with Open()
// and stays open until Close() or destruction.  The connection string has the
// Jet form "Provider = Microsoft.Jet.OLEDB.4.0;Data Source=<path>;..."; only
// the Data Source path is used.
//
// Not thread-safe: one connection belongs to one thread at a time.  Separate
// connections (even to the same file) are independent.
#ifndef GENERATESHEET_CONNECTION_H_
#define GENERATESHEET_CONNECTION_H_

#include <memory>
#include <string>
#include <string_view>

#include "generatesheet/export.h"

namespace generatesheet {

class GENERATESHEET_EXPORT Connection {
 public:
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& ConnectionString() const;
  // Throws generatesheet::Error when the connection is open.
  void SetConnectionString(std::string connection_string);

  // Opens the database named by the Data Source of the connection string.
  // The arguments mirror ADO's Open; a non-empty connection_string replaces
  // the stored one first.  Throws generatesheet::Error when already open,
  // when the connection string is empty or names no Data Source, or when the
  // file cannot be read as an Access database.
  void Open(std::string_view connection_string = "", std::string_view user = "",
            std::string_view password = "", int options = -1);
  // Closing a closed connection does nothing.  Never throws.
  void Close() noexcept;
  bool IsOpen() const;

  // The data layer's view of the open database; for the library's own use.
  class GENERATESHEET_NO_EXPORT Impl;
  Impl& impl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_CONNECTION_H_

// Model: a plain bag of properties for hosts.  Nothing in the library reads
// or writes it.  Members are in interface order.
#ifndef GENERATESHEET_MODEL_H_
#define GENERATESHEET_MODEL_H_

#include <cstdint>
#include <string>

namespace generatesheet {

class Model {
 public:
  std::string DocumentPath() const { return document_path_; }
  void SetDocumentPath(std::string sValue) { document_path_ = std::move(sValue); }
  std::string BakDataPath() const { return bak_data_path_; }
  void SetBakDataPath(std::string sValue) { bak_data_path_ = std::move(sValue); }
  std::string ZipPaperName() const { return zip_paper_name_; }
  void SetZipPaperName(std::string sValue) { zip_paper_name_ = std::move(sValue); }
  std::string ZipPassword() const { return zip_password_; }
  void SetZipPassword(std::string sValue) { zip_password_ = std::move(sValue); }
  std::string StudentID() const { return student_id_; }
  void SetStudentID(std::string sValue) { student_id_ = std::move(sValue); }
  // Unlike CreateHtml::Subject, a 16-bit integer; reads 0 until written.
  std::int16_t Subject() const { return subject_; }
  void SetSubject(std::int16_t sValue) { subject_ = sValue; }
  // HTMLPaperPath is read-only and RecNo write-only: both address one value.
  std::string HTMLPaperPath() const { return rec_no_; }
  void SetRecNo(std::string sValues) { rec_no_ = std::move(sValues); }

 private:
  std::string student_id_;
  std::int16_t subject_ = 0;
  std::string rec_no_;
  std::string document_path_;
  std::string bak_data_path_;
  std::string zip_paper_name_;
  std::string zip_password_;
};

}  // namespace generatesheet

#endif  // GENERATESHEET_MODEL_H_

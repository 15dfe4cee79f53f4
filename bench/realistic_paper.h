// A paper the size and mix of a real English examination, for benchmarks:
// half single choice with four options, reading comprehension on passages
// of about 1,500 characters (five questions a passage), cloze on passages
// of about 1,000 characters (ten questions a passage), translation and
// essays; Chinese in headings, questions and analyses.  Memo text of the
// question bank is stored as rich text, as the exam system writes it.  The
// same `questions` always give the same paper.
#ifndef GENERATESHEET_BENCH_REALISTIC_PAPER_H_
#define GENERATESHEET_BENCH_REALISTIC_PAPER_H_

#include <array>
#include <cstdint>
#include <string>

#include "builder/package/answer_package.h"

namespace generatesheet::bench {

// Deterministic words and sentences.
class TextSource {
 public:
  explicit TextSource(std::uint64_t seed) : state_(seed * 2654435761u + 1) {}

  std::size_t Pick(std::size_t n) {
    state_ = state_ * 6364136223846793005u + 1442695040888963407u;
    return static_cast<std::size_t>(state_ >> 33) % n;
  }

  // English prose of about `length` characters.
  std::string English(std::size_t length) {
    static constexpr std::array<const char*, 32> kWords = {
        "the",     "students", "teacher", "library",  "morning",  "river",    "because", "although",
        "quickly", "science",  "village", "decided",  "museum",   "weather",  "friends", "during",
        "history", "careful",  "reading", "journey",  "market",   "language", "believe", "improve",
        "small",   "station",  "evening", "mountain", "together", "exercise", "answer",  "travel"};
    std::string out;
    bool start = true;
    while (out.size() < length) {
      std::string word = kWords[Pick(kWords.size())];
      if (start) word[0] = static_cast<char>(word[0] - 32);
      if (!out.empty()) out += ' ';
      out += word;
      start = Pick(9) == 0;
      if (start) out += Pick(4) == 0 ? ".\n" : ".";
    }
    return out + ".";
  }

  // Chinese of about `characters` characters.
  std::string Chinese(std::size_t characters) {
    static constexpr std::array<const char*, 16> kPhrases = {
        "本题考查", "时态的用法", "根据上下文", "可以判断", "作者认为", "文章第二段",
        "主语是",   "表示原因",   "固定搭配",   "因此选",   "阅读理解", "短文大意",
        "学生应当", "注意细节",   "词义辨析",   "句子结构"};
    std::string out;
    std::size_t count = 0;
    while (count < characters) {
      const char* phrase = kPhrases[Pick(kPhrases.size())];
      out += phrase;
      count += std::string(phrase).size() / 3;
      if (Pick(5) == 0) {
        out += "，";
        ++count;
      }
    }
    return out + "。";
  }

 private:
  std::uint64_t state_;
};

inline builder::PackageDescription MakeRealisticPaper(int questions) {
  using builder::Row;
  builder::PackageDescription d;
  d.student_id = "2024010101";
  d.question_types = {
      {{"I_CmdId", 1},
       {"C_DataCode", "86"},
       {"C_TestStyle", "单项选择：从A、B、C、D四个选项中选出可以填入空白处的最佳选项。"}},
      {{"I_CmdId", 2},
       {"C_DataCode", "87"},
       {"C_TestStyle", "阅读理解：阅读下列短文，从每题所给的四个选项中选出最佳选项。"}},
      {{"I_CmdId", 3},
       {"C_DataCode", "900"},
       {"C_TestStyle", "完形填空：阅读下面短文，从短文后各题所给的四个选项中选出最佳选项。"}},
      {{"I_CmdId", 4}, {"C_DataCode", "89"}, {"C_TestStyle", "翻译：把下列句子译成英语。"}},
      {{"I_CmdId", 5},
       {"C_DataCode", "88"},
       {"C_TestStyle", "书面表达：根据提示写一篇不少于100词的短文。"}}};
  TextSource text(static_cast<std::uint64_t>(questions));
  const int choice_end = questions / 2;
  const int reading_end = choice_end + questions / 5;
  const int cloze_end = reading_end + questions / 10;
  const int translation_end = cloze_end + questions / 10;
  for (int no = 1; no <= questions; ++no) {
    Row title{{"I_QuestionNo", no}, {"I_TypeID", "单选题"}};
    std::string passage;
    bool choices = true;
    std::string student_answer = std::to_string(1 + text.Pick(4));
    std::string topic_answer = std::to_string(1 + text.Pick(4));
    int layout = 1;
    if (no <= choice_end) {
      title["C_DataCode"] = "86";
      title["M_Title"] = text.English(240) + " ______ " + text.English(80);
    } else if (no <= reading_end) {
      title["C_DataCode"] = "87";
      passage = "R" + std::to_string((no - choice_end - 1) / 5);
      if ((no - choice_end - 1) % 5 == 0) {
        d.common_items.push_back({{"C_RecCode", passage}, {"M_Title", text.English(1500)}});
      }
      title["M_Title"] = text.English(110) + "?";
    } else if (no <= cloze_end) {
      title["C_DataCode"] = "900";
      passage = "C" + std::to_string((no - reading_end - 1) / 10);
      if ((no - reading_end - 1) % 10 == 0) {
        d.common_items.push_back(
            {{"C_RecCode", passage}, {"M_Title", text.English(1000) + " ______"}});
      }
      title["M_Title"] = "(" + std::to_string(no) + ")";
    } else {
      const bool translation = no <= translation_end;
      title["C_DataCode"] = translation ? "89" : "88";
      title["I_TypeID"] = "论述题";
      title["M_Title"] = translation ? text.Chinese(40) : text.Chinese(120) + text.English(200);
      student_answer = text.English(translation ? 240 : 1400);
      topic_answer = text.English(translation ? 240 : 1400);
      choices = false;
      layout = 5;
    }
    title["C_RecCode"] = passage;
    d.titles.push_back(std::move(title));
    if (choices) {
      for (const char* letter : {"A", "B", "C", "D"}) {
        d.choices.push_back(
            {{"I_QuestionNo", no}, {"C_ChoiceAnswer", letter}, {"M_AnswerCont", text.English(40)}});
      }
    }
    d.accounts.push_back({{"I_QuestionNo", no},
                          {"S_GetScore", layout == 1 ? "2" : "6.5"},
                          {"I_RECNO", 100000 + no}});
    d.analysis.push_back({{"I_QuestionNo", no},
                          {"I_TypeID", layout},
                          {"M_StudentAnswer", student_answer},
                          {"M_TopicAns", topic_answer},
                          {"M_Analysis", text.Chinese(150)},
                          {"S_Score", layout == 1 ? 2 : 10}});
  }
  return d;
}

}  // namespace generatesheet::bench

#endif  // GENERATESHEET_BENCH_REALISTIC_PAPER_H_

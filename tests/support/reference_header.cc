#include "support/reference_header.h"

#include <cstdint>
#include <vector>

#include "base/byte_stream.h"
#include "declgen/convert_header.h"
#include "declgen/emitter.h"
#include "io/header_writer.h"
#include "io/platform.h"
#include "io/source_reader.h"
#include "declgen/statement_list.h"

namespace vortiq::testing {
namespace {

// Every statement of the source, kept: the emitter reads ahead in a list that
// never drops anything.
class AllStatements final : public StatementLookahead {
 public:
  explicit AllStatements(std::string_view source) {
    MemorySource input(source);
    SourceReader reader(&input, 4096);  // lines cross refills
    StatementList list(&reader);
    std::string_view statement;
    for (uint64_t i = 0; list.StatementAt(i, &statement); ++i) statements_.emplace_back(statement);
  }
  bool StatementAt(uint64_t index, std::string_view* statement) override {
    if (index >= statements_.size()) return false;
    *statement = statements_[static_cast<size_t>(index)];
    return true;
  }
  [[nodiscard]] const std::vector<std::string>& statements() const { return statements_; }

 private:
  std::vector<std::string> statements_;
};

}  // namespace

std::string ReferenceHeader(std::string_view source, std::string_view source_path,
                            const LocalTime& clock) {
  AllStatements all(source);
  std::string output;
  StringSink sink(&output);
  HeaderWriter header(&sink, 4096);  // any size gives the same bytes
  Emitter emitter(PathToText(source_path), Date(clock), &all, &header);
  for (const std::string& statement : all.statements()) emitter.EmitStatement(statement);
  emitter.Finish();
  header.Flush();
  return output;
}

}  // namespace vortiq::testing

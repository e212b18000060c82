#include "run/generate.h"

#include "declgen/emitter.h"
#include "declgen/statement_list.h"
#include "io/platform.h"
#include "io/source_reader.h"

namespace vortiq {

Status GenerateHeader(ByteSource* source, std::string_view source_path, DateValue date,
                      HeaderWriter* header, size_t read_buffer_size) {
  SourceReader reader(source, read_buffer_size);
  StatementList statements(&reader);
  Emitter emitter(source_path, date, &statements, header);
  std::string_view statement;
  for (;;) {
    // Lines that hold no statement that matters now are passed over whole.
    const KeywordPrefixes* keywords = emitter.KeywordsThatMatter();
    if (!(keywords == nullptr ? statements.Next(&statement)
                              : statements.NextMatching(*keywords, &statement))) {
      break;
    }
    emitter.EmitStatement(statement);
    if (header->status() != Status::kOk) return header->status();
  }
  if (reader.status() != Status::kOk) return reader.status();
  emitter.Finish();
  return header->Flush();
}

std::string GenerateHeader(std::string_view source, std::string_view source_path,
                           const LocalTime& clock) {
  MemorySource input(source);
  std::string output;
  StringSink sink(&output);
  HeaderWriter header(&sink);
  GenerateHeader(&input, PathToText(source_path), Date(clock), &header);  // memory cannot fail
  return output;
}

}  // namespace vortiq

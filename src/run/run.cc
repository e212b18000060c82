#include "run/run.h"

#include <memory>

#include "io/header_writer.h"
#include "io/platform.h"
#include "run/generate.h"
#include "run/text.h"

namespace vortiq {

std::string SourcePathOf(const std::vector<std::string>& parameters) {
  std::string path;
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (i > 0) path.push_back(' ');
    for (const char c : parameters[i]) {
      if (c != '"') path.push_back(c);
    }
  }
  return path;
}

int Run(const std::vector<std::string>& parameters) {
  const std::string source_path = SourcePathOf(parameters);
  const std::string_view extension = GetExtensionPart(source_path);
  if (extension != "pb" && extension != "sb") return kExitSuccess;

  std::unique_ptr<SourceFile> source;
  if (SourceFile::Open(source_path, &source) != Status::kOk) return kExitFailure;
  std::unique_ptr<HeaderFile> header_file;
  if (HeaderFile::Create(source_path + "i", &header_file) != Status::kOk) return kExitFailure;

  HeaderWriter header(header_file.get());
  const DateValue date = Date(ReadLocalClock());
  if (GenerateHeader(source.get(), PathToText(source_path), date, &header) != Status::kOk) {
    return kExitFailure;  // destroying header_file removes the temporary file
  }
  source.reset();
  return header_file->Commit() == Status::kOk ? kExitSuccess : kExitFailure;
}

}  // namespace vortiq

#include "run/run.h"

#include <exception>
#include <memory>

#include "base/text.h"
#include "io/header_writer.h"
#include "io/platform.h"
#include "run/generate.h"

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

namespace {

constexpr int kMaxReadings = 2;  // of a source that changes while it is read

int RunUnguarded(const std::vector<std::string>& parameters) {
  const std::string source_path = SourcePathOf(parameters);
  const std::string_view extension = GetExtensionPart(source_path);
  if (extension != "pb" && extension != "sb") return kExitSuccess;

  std::unique_ptr<SourceFile> source;
  if (SourceFile::Open(source_path, &source) != Status::kOk) return kExitFailure;
  std::unique_ptr<HeaderFile> header_file;
  if (HeaderFile::Create(source_path + "i", &source->identity(), &header_file) != Status::kOk)
    return kExitFailure;

  const std::string source_text = PathToText(source_path);
  const DateValue date = Date(ReadLocalClock());
  // A source that another program writes while it is read (a save during the
  // run) would give a header of neither version: it is read again from the
  // start, and when it changes again, the old header stays.
  for (int reading = 1;; ++reading) {
    HeaderWriter header(header_file.get());
    if (GenerateHeader(source.get(), source_text, date, &header) != Status::kOk) {
      return kExitFailure;  // destroying header_file removes the temporary file
    }
    if (!source->HasChanged()) break;
    if (reading == kMaxReadings || source->Rewind() != Status::kOk ||
        header_file->Restart() != Status::kOk) {
      return kExitFailure;
    }
  }
  source.reset();
  return header_file->Commit() == Status::kOk ? kExitSuccess : kExitFailure;
}

}  // namespace

int Run(const std::vector<std::string>& parameters) {
  // Memory or a thread that cannot be had fails the run as any other failure
  // does: the unwinding removes the temporary file, and nothing is printed.
  try {
    return RunUnguarded(parameters);
  } catch (const std::exception&) {
    return kExitFailure;
  }
}

}  // namespace vortiq

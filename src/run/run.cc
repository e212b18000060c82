#include "run/run.h"

#include <exception>
#include <memory>

#include "base/text.h"
#include "declgen/emitter.h"
#include "io/platform.h"

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

// Puts `text` in the header's place in one step; the source `source` is never
// replaced.
bool WriteHeader(const std::string& header_path, const FileIdentity& source,
                 const HeaderText& text) {
  std::unique_ptr<HeaderFile> header;
  // Destroying a header file that was not committed removes its temporary file.
  if (HeaderFile::Create(header_path, &source, &header) != Status::kOk) return false;
  for (const std::string& piece : text) {
    if (header->Write(piece) != Status::kOk) return false;
  }
  return header->Commit() == Status::kOk;
}

int RunUnguarded(const std::vector<std::string>& parameters) {
  const std::string source_path = SourcePathOf(parameters);
  const std::string_view extension = GetExtensionPart(source_path);
  if (extension != "pb" && extension != "sb") return kExitSuccess;

  // The source is read whole and the header made whole before the header's
  // temporary file is created, so a run ended meanwhile leaves nothing.
  std::unique_ptr<SourceFile> source;
  SourceBytes bytes;
  if (SourceFile::Open(source_path, &source) != Status::kOk ||
      source->ReadOneVersion(&bytes) != Status::kOk) {
    return kExitFailure;
  }
  const HeaderText header =
      EmitHeader(bytes.view(), PathToText(source_path), Date(ReadLocalClock()));
  return WriteHeader(source_path + "i", source->identity(), header) ? kExitSuccess : kExitFailure;
}

}  // namespace

int Run(const std::vector<std::string>& parameters) {
  // Memory that cannot be had fails the run as any other failure does: the
  // unwinding removes a temporary file, and nothing is printed.
  try {
    return RunUnguarded(parameters);
  } catch (const std::exception&) {
    return kExitFailure;
  }
}

}  // namespace vortiq

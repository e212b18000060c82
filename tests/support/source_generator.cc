#include "support/source_generator.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace vortiq {
namespace {

constexpr std::string_view kCrLf = "\r\n";

constexpr std::string_view kVerbs[] = {
    "Get",  "Set",   "Load",    "Save",  "Update", "Draw",  "Parse", "Find",   "Create", "Free",
    "Open", "Close", "Compute", "Check", "Build",  "Reset", "Apply", "Handle", "Init",   "Sort",
};
constexpr std::string_view kNouns[] = {
    "Window", "Gadget", "File",   "Buffer", "Image", "Sprite", "Node", "Item",   "Entry", "Config",
    "Token",  "Path",   "Socket", "Packet", "Color", "Point",  "Rect", "Matrix", "Font",  "Event",
};
constexpr std::string_view kEndings[] = {"", "", "", "Ex", "Size", "Count", "ByName", "At", "All"};
constexpr std::string_view kNames[] = {
    "x",     "y",      "width", "height", "count",  "index", "flags", "text",   "name",   "path",
    "value", "result", "mode",  "id",     "offset", "size",  "key",   "window", "gadget", "color",
};
constexpr std::string_view kBasicTypes[] = {".i", ".i", ".i", ".s", ".s", ".l", ".d",
                                            ".b", ".w", ".q", ".f", ".a", ".u", ".c"};
constexpr std::string_view kStructures[] = {"Point", "Rect", "Entry", "Node", "Vector3", "Color"};
constexpr std::string_view kModuleTypes[] = {"Gfx::Sprite", "Net::Packet", "Util::Pair"};
// Text for strings and comments: colons, commas, brackets and non-ASCII letters.
constexpr std::string_view kPhrases[] = {
    "Größe: ",
    "Fehler: Datei nicht gefunden",
    "naïve café, crème brûlée",
    "value (x, y)",
    "日本語のテキスト",
    "Ошибка: нет данных",
    "done 🙂",
    "a; b; c",
    "path: C:\\Temp\\out.txt",
    "plain text",
    "width x height",
    "50 %",
};
constexpr std::string_view kComments[] = {
    "TODO: handle the empty case",  "note: the buffer is reused",
    "keep in sync with the loader", "Größe in Pixeln",
    "fix: overflow on 32-bit",      "returns 0 on failure",
    "see also: DrawAll()",          "warning: not thread-safe",
};
constexpr std::string_view kDefaultNumbers[] = {".i = 0", ".d = 1.5", ".l = #PB_Any", " = -1",
                                                ".i = #True"};
// Default strings of parameters: a colon would split the header, so none here.
constexpr std::string_view kDefaultStrings[] = {"", "none", "Größe", "a, b (c)", ";", "日本"};
constexpr std::string_view kModules[] = {"Gfx", "Net", "Util", "Parser", "Audio", "Store"};

// The concatenation of `parts`.
std::string Cat(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text += part;
  return text;
}

void AppendIndent(int level, bool tabs, std::string* source) {
  source->append(static_cast<size_t>(level) * (tabs ? 1 : 2), tabs ? '\t' : ' ');
}

void AppendLine(int level, bool tabs, std::string_view text, std::string* source) {
  AppendIndent(level, tabs, source);
  source->append(text);
  source->append(kCrLf);
}

}  // namespace

uint64_t SourceGenerator::Next() { return random_.Next(); }

std::string SourceGenerator::Identifier() {
  std::string name(Pick(kVerbs));
  name += Pick(kNouns);
  name += Pick(kEndings);
  return name;
}

SourceGenerator::Parameter SourceGenerator::MakeParameter() {
  const std::string_view name = Pick(kNames);
  const size_t kind = Below(100);
  const auto same = [](std::initializer_list<std::string_view> parts) {
    const std::string text = Cat(parts);
    return Parameter{text, text};
  };
  if (kind < 30) return same({name, Pick(kBasicTypes)});
  if (kind < 35) return same({name});
  if (kind < 38) return same({name, "$"});
  if (kind < 43) return same({name, ".", Pick(kStructures)});
  if (kind < 45) return same({name, ".", Pick(kModuleTypes)});
  if (kind < 53) return same({"*", name});
  // Pointers lose their type, blanks before '=' included.
  const std::string pointer = Cat({"*", name});
  if (kind < 58) return {Cat({pointer, Pick(kBasicTypes)}), pointer};
  if (kind < 68) return {Cat({pointer, ".", Pick(kStructures)}), pointer};
  if (kind < 70) return {Cat({pointer, ".", Pick(kModuleTypes)}), pointer};
  if (kind < 72) return {Cat({pointer, ".", Pick(kStructures), " = 0"}), pointer + "= 0"};
  // Collections keep only a basic element type, in lower case.
  if (kind < 76) return same({"List ", name, Pick(kBasicTypes), "()"});
  if (kind < 80)
    return {Cat({"List ", name, ".", Pick(kStructures), "()"}), Cat({"List ", name, "()"})};
  if (kind < 82) return same({"Array ", name, ".i(1)"});
  if (kind < 84) return {Cat({"Array ", name, ".D(2)"}), Cat({"Array ", name, ".d(2)"})};
  if (kind < 86)
    return {Cat({"Array ", name, ".", Pick(kModuleTypes), "(1)"}), Cat({"Array ", name, "(1)"})};
  if (kind < 89) return same({"Map ", name, ".s()"});
  if (kind < 92)
    return {Cat({"Map ", name, ".", Pick(kStructures), "()"}), Cat({"Map ", name, "()"})};
  if (kind < 96) return same({name, Pick(kDefaultNumbers)});
  if (kind < 99) return same({name, ".s = \"", Pick(kDefaultStrings), "\""});
  return same({name, ".p-unicode"});
}

void SourceGenerator::AppendUnit(std::string* source, std::string* body) {
  const size_t start = source->size();
  AppendUnitOfKind(source, body);
  // Line ends do not change the header: most real sources end lines with LF.
  if (realistic_ && Chance(62)) {
    size_t to = start;
    for (size_t from = start; from < source->size(); ++from) {
      if ((*source)[from] == '\r' && from + 1 < source->size() && (*source)[from + 1] == '\n')
        continue;
      (*source)[to++] = (*source)[from];
    }
    source->resize(to);
  }
}

void SourceGenerator::AppendUnitOfKind(std::string* source, std::string* body) {
  const size_t kind = Below(100);
  if (kind < 65) {
    AppendProcedure(0, /*declared=*/true, source, body);
  } else if (kind < 71) {
    AppendModule(source, body);
  } else if (kind < 77) {
    AppendMacro(0, source);
  } else if (kind < 90) {
    AppendDeclarations(source);
  } else {
    AppendComments(source);
  }
}

void SourceGenerator::AppendProcedure(int indent, bool declared, std::string* source,
                                      std::string* body) {
  // Headers and their EndProcedure are indented with spaces, bodies sometimes with
  // tabs: a tab before a header or an EndProcedure would hide it from the tool.
  const bool tabs = Chance(10);
  if (Chance(25)) AppendLine(indent, false, Cat({"; ", Pick(kComments)}), source);

  constexpr std::string_view kKeywords[][2] = {{"Procedure", "Declare"},
                                               {"ProcedureC", "DeclareC"},
                                               {"ProcedureDLL", "DeclareDLL"},
                                               {"ProcedureCDLL", "DeclareCDLL"}};
  const size_t roll = Below(100);
  const size_t keyword = roll < 70 ? 0 : roll < 80 ? 1 : roll < 92 ? 2 : 3;
  std::string head(keyword == 0 && Chance(1) ? "procedure" : kKeywords[keyword][0]);
  std::string declaration(kKeywords[keyword][1]);
  const std::string name = Identifier();
  std::string signature;
  if (!Chance(45)) signature += Pick(kBasicTypes);
  signature += Cat({" ", name, "("});
  head += signature;
  declaration += signature;

  AppendIndent(indent, false, source);
  if (Chance(3)) source->append("Runtime ");

  const size_t count_roll = Below(100);
  const size_t count = count_roll < 15   ? 0
                       : count_roll < 40 ? 1
                       : count_roll < 65 ? 2
                       : count_roll < 80 ? 3
                       : count_roll < 92 ? 4
                                         : 5;
  std::vector<Parameter> parameters;
  for (size_t i = 0; i < count; ++i) parameters.push_back(MakeParameter());
  // The parameters [from, to) in the source and in the declaration, ", " between them.
  const auto join = [&](size_t from, size_t to, std::string* text, std::string* declared_text) {
    for (size_t i = from; i < to; ++i) {
      if (i > from) {
        text->append(", ");
        declared_text->append(", ");
      }
      text->append(parameters[i].source);
      declared_text->append(parameters[i].declaration);
    }
  };
  const std::string comment = Cat({" ; ", Pick(kComments)});

  if (count == 0 && Chance(8)) {
    // A one-line procedure.
    source->append(head + ") : EndProcedure");
    source->append(kCrLf);
    source->append(kCrLf);
    if (declared) {
      body->append(declaration + ")\r\n");
      ++declarations_;
    }
    return;
  }
  if (count >= 1 && Chance(1)) {
    // A colon in a default string cuts the header there: a classic slip.
    join(0, count, &head, &declaration);
    source->append(head + ", sep.s = \":\")");
    source->append(kCrLf);
    declaration += ", sep.s = \"";
  } else if (count >= 2 && Chance(15)) {
    // Continued over several lines, each but the last ending with ','.
    size_t done = 1 + Below(count - 1);
    join(0, done, &head, &declaration);
    source->append(head);
    const bool comment_first = Chance(5);  // ends the header at the first line
    if (comment_first) {
      source->append(", ; first group");
      declaration += ", ";
    } else {
      source->append(",");
      declaration += ",";
    }
    source->append(kCrLf);
    while (done < count) {
      const size_t next = std::min(count, done + 1 + Below(2));
      std::string line;
      std::string declared_line;
      if (tabs) {
        line.assign(static_cast<size_t>(indent) + 2, '\t');
        declared_line = line;  // only spaces are trimmed
      } else {
        line.assign(static_cast<size_t>(indent) * 2 + head.find('(') + 1, ' ');
      }
      join(done, next, &line, &declared_line);
      line += next < count ? "," : ")";
      declared_line += next < count ? "," : ")";
      if (next == count && Chance(10)) {
        line += comment;
        declared_line += " ";
      }
      source->append(line);
      source->append(kCrLf);
      if (!comment_first) declaration += declared_line;
      done = next;
    }
  } else {
    join(0, count, &head, &declaration);
    source->append(head + ")");
    declaration += ")";
    if (Chance(10)) {
      source->append(comment);
      declaration += " ";
    }
    source->append(kCrLf);
  }
  if (declared) {
    body->append(declaration + "\r\n");
    ++declarations_;
  }

  AppendBody(indent + 1, tabs, source);
  AppendLine(indent, false, Chance(5) ? Cat({"EndProcedure ; ", name}) : "EndProcedure", source);
  source->append(kCrLf);
}

void SourceGenerator::AppendBody(int level, bool tabs, std::string* source) {
  const size_t statements = realistic_ ? 12 + Below(60) : 3 + Below(12);
  for (size_t i = 0; i < statements; ++i) {
    if (realistic_) {
      // A fifth of the lines blank, and few colons.
      std::string statement = SimpleStatement();
      while (statement.find(':') != std::string::npos && !Chance(25)) statement = SimpleStatement();
      if (Chance(17)) {
        source->append(kCrLf);
      } else if (Chance(15)) {
        AppendBlock(level, tabs, source);
      } else {
        // Deeper and longer lines than the benchmark's, as real code has.
        if (!statement.empty() && Chance(80)) statement += "  ; " + Identifier();
        AppendLine(level + 1, tabs, statement, source);
      }
    } else if (Chance(25)) {
      AppendBlock(level, tabs, source);
    } else {
      AppendLine(level, tabs, SimpleStatement(), source);
    }
  }
  if (Chance(50)) AppendLine(level, tabs, "ProcedureReturn result", source);
}

std::string SourceGenerator::SimpleStatement() {
  // Mostly plain assignments and calls; about one in six holds a colon, as
  // one-line If blocks, module names and comments do in real code.
  const std::string name(Pick(kNames));
  switch (Below(40)) {
    case 0:
      return "Protected i.i, count.i = 0";
    case 1:
      return Cat({"Protected text.s = \"", Pick(kPhrases), "\""});
    case 2:
      return Cat({"If ", name, " > 0 : ", name, " - 1 : EndIf"});
    case 3:
      return Cat({"; ", Pick(kComments)});
    case 4:
      return Cat({name, " = ", Identifier(), "(", name, ", x) ; ", Pick(kComments)});
    case 5:
      return Cat({"result = Util::Clamp(", name, ", 0, 255)"});
    case 6:
      return Cat({"Debug \"", Pick(kPhrases), "\" + Str(", name, ")"});
    case 7:
      return "*p\\x = 10 : *p\\y = 20";
    case 8:
    case 9:
      return "";
    case 10:
    case 11:
      return Cat({name, " + 1"});
    case 12:
      return "AddElement(items())";
    case 13:
      return Cat({"If Not ", Identifier(), "(", name, ") : ProcedureReturn #False : EndIf"});
    case 14:
      return "text = ReplaceString(text, \":\", \"::\")";
    case 15:
      return "PokeS(*buffer, text, -1, #PB_UTF8)";
    case 16:
      return Cat({"result = (", name, " * 2) / 3 ; halve it"});
    case 17:
    case 18:
      return Cat({name, " = ", name, " * 2 + offset"});
    case 19:
    case 20:
      return Cat({Identifier(), "(", name, ", x)"});
    case 21:
      return Cat({"result = ", Identifier(), "(", name, ")"});
    case 22:
      return Cat({"*p\\", name, " = ", name});
    case 23:
      return Cat({"Protected ", name, Pick(kBasicTypes)});
    case 24:
      return "NextElement(items())";
    case 25:
      return "FreeMemory(*buffer)";
    case 26:
      return "SetGadgetText(#Gadget_Text, text)";
    case 27:
      return "DrawText(x, y, text, RGB(255, 255, 255))";
    case 28:
      return Cat({"result = Len(text) - ", name});
    case 29:
      return Cat({"text + \", \" + Str(", name, ")"});
    case 30:
      return Cat({name, " = #Null"});
    case 31:
      return "StartDrawing(ImageOutput(image))";
    case 32:
      return "StopDrawing()";
    case 33:
      return Cat({"x = (width - ", name, ") / 2"});
    case 34:
      return "*buffer = AllocateMemory(size)";
    case 35:
      return "CopyMemory(*source, *buffer, size)";
    case 36:
      return "count = ListSize(items())";
    case 37:
      return "; draw the frame first";
    case 38:
      return "index = FindString(text, \",\", 1)";
    default:
      return "value = Val(StringField(text, 2, \",\"))";
  }
}

void SourceGenerator::AppendBlock(int level, bool tabs, std::string* source) {
  const auto nested = [&](size_t most) {
    for (size_t i = 1 + Below(most); i > 0; --i)
      AppendLine(level + 1, tabs, SimpleStatement(), source);
  };
  const std::string name(Pick(kNames));
  switch (Below(6)) {
    case 0:
      AppendLine(level, tabs, "For i = 0 To " + name + " - 1", source);
      nested(3);
      AppendLine(level, tabs, "Next", source);
      break;
    case 1:
      AppendLine(level, tabs, "If " + name + " = #Null", source);
      nested(2);
      AppendLine(level, tabs, "Else", source);
      nested(2);
      AppendLine(level, tabs, "EndIf", source);
      break;
    case 2:
      AppendLine(level, tabs, "ForEach items()", source);
      nested(3);
      AppendLine(level, tabs, "Next", source);
      break;
    case 3:
      AppendLine(level, tabs, "Select mode", source);
      AppendLine(level + 1, tabs, "Case 1 : text = \"one\"", source);
      AppendLine(level + 1, tabs, Cat({"Case 2, 3 : text = \"", Pick(kPhrases), "\""}), source);
      AppendLine(level + 1, tabs, "Default", source);
      nested(2);
      AppendLine(level, tabs, "EndSelect", source);
      break;
    case 4:
      AppendLine(level, tabs, "While " + name + " < 10", source);
      nested(3);
      AppendLine(level, tabs, "Wend", source);
      break;
    default:
      AppendLine(level, tabs, "CompilerIf #PB_Compiler_OS = #PB_OS_Windows", source);
      nested(2);
      AppendLine(level, tabs, "CompilerElse", source);
      nested(2);
      AppendLine(level, tabs, "CompilerEndIf", source);
      break;
  }
}

void SourceGenerator::AppendModule(std::string* source, std::string* body) {
  std::string name(Pick(kModules));
  if (Chance(50)) name += Pick(kNouns);
  AppendLine(0, false, "DeclareModule " + name, source);
  for (size_t i = 1 + Below(3); i > 0; --i) {
    AppendLine(1, false, Cat({"Declare.i ", Identifier(), "(x.i)"}), source);
  }
  AppendLine(1, false, "#" + name + "_Version = 2", source);
  AppendLine(0, false, "EndDeclareModule", source);
  source->append(kCrLf);

  // A comment after the name is no part of it in the fence.
  AppendLine(0, false, "Module " + name + (Chance(10) ? "\t; implementation" : ""), source);
  AppendLine(1, false, "EnableExplicit", source);
  source->append(kCrLf);
  body->append("CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"" + name + "\"\r\n");
  for (size_t i = 2 + Below(4); i > 0; --i) {
    if (Chance(10)) AppendMacro(1, source);
    AppendProcedure(1, /*declared=*/true, source, body);
  }
  AppendLine(0, false, "EndModule", source);
  source->append(kCrLf);
  body->append("CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = \"\"\r\n");
}

void SourceGenerator::AppendMacro(int indent, std::string* source) {
  const size_t kind = Below(10);
  if (kind < 4) {
    AppendLine(indent, false, "Macro Square(x) : ((x) * (x)) : EndMacro", source);
  } else if (kind < 8) {
    AppendLine(indent, false, "Macro LogValue(v)", source);
    AppendLine(indent + 1, false, Cat({"Debug \"", Pick(kPhrases), "\" + Str(v)"}), source);
    AppendLine(indent + 1, false,
               "CompilerIf #PB_Compiler_Debugger : Beep_(440, 10) : CompilerEndIf", source);
    AppendLine(indent, false, "EndMacro", source);
  } else {
    // A procedure in a macro body gets no declaration.
    AppendLine(indent, false, "Macro DefineGetter(name, type)", source);
    std::string ignored;
    AppendProcedure(indent + 1, /*declared=*/false, source, &ignored);
    AppendLine(indent, false, "EndMacro", source);
  }
  source->append(kCrLf);
}

void SourceGenerator::AppendDeclarations(std::string* source) {
  switch (Below(6)) {
    case 0:
      AppendLine(0, false, Cat({"Structure ", Pick(kStructures), "Ex"}), source);
      for (size_t i = 2 + Below(4); i > 0; --i) {
        AppendLine(1, false, Cat({Pick(kNames), Pick(kBasicTypes)}), source);
      }
      AppendLine(0, false, "EndStructure", source);
      break;
    case 1:
      AppendLine(0, false, "Global NewList queue.s(), count.i = 0", source);
      AppendLine(0, false, "Global Dim grid.i(10, 10)", source);
      AppendLine(0, false, Cat({"#APP_NAME = \"", Pick(kPhrases), "\""}), source);
      break;
    case 2:
      AppendLine(0, false, "Enumeration", source);
      for (size_t i = 2 + Below(5); i > 0; --i) {
        AppendLine(1, false, Cat({"#", Pick(kNouns), "_", Pick(kNames)}), source);
      }
      AppendLine(0, false, "EndEnumeration", source);
      break;
    case 3:
      AppendLine(0, false, Cat({"Prototype.i ", Identifier(), "Callback(*data, size.i)"}), source);
      break;
    case 4:
      AppendLine(0, false, "ImportC \"\"", source);
      AppendLine(1, false, "strlen_(s.p-ascii) As \"strlen\"", source);
      AppendLine(0, false, "EndImport", source);
      break;
    default:
      AppendLine(0, false, "DataSection", source);
      AppendLine(1, false, "Labels:", source);
      AppendLine(1, false, Cat({"Data.s \"one\", \"two: 2\", \"", Pick(kPhrases), "\""}), source);
      AppendLine(0, false, "EndDataSection", source);
      break;
  }
  source->append(kCrLf);
}

void SourceGenerator::AppendComments(std::string* source) {
  AppendLine(0, false, Cat({";- ", Pick(kNouns), " handling"}), source);
  for (size_t i = Below(4); i > 0; --i) {
    AppendLine(0, false, Cat({"; ", Pick(kComments)}), source);
  }
  AppendLine(0, false, "; -----------------------------------------------------------", source);
  source->append(kCrLf);
}

void SourceGenerator::AppendFiller(size_t size, std::string* source) {
  while (size > 0) {
    if (size <= 2) {
      source->append(size == 2 ? "\r\n" : " ");
      return;
    }
    const size_t length = std::min<size_t>(size, 80);
    source->push_back(';');
    source->append(length - 3, '-');
    source->append(kCrLf);
    size -= length;
  }
}

void GenerateSource(size_t size, uint64_t seed,
                    const std::function<void(std::string_view, std::string_view)>& emit,
                    SourceShape shape) {
  SourceGenerator generator(seed, shape);
  std::string unit;
  std::string unit_body;
  size_t written = 0;
  for (;;) {
    unit.clear();
    unit_body.clear();
    generator.AppendUnit(&unit, &unit_body);
    if (written + unit.size() > size) break;
    emit(unit, unit_body);
    written += unit.size();
  }
  unit.clear();
  SourceGenerator::AppendFiller(size - written, &unit);
  emit(unit, {});
}

void GenerateSource(size_t size, uint64_t seed, std::string* source, std::string* body) {
  source->clear();
  body->clear();
  source->reserve(size);
  GenerateSource(size, seed, [&](std::string_view source_part, std::string_view body_part) {
    source->append(source_part);
    body->append(body_part);
  });
}

}  // namespace vortiq

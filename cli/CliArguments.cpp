#include "cli/CliArguments.h"

#include <QCommandLineParser>
#include <algorithm>
#include <charconv>

namespace velmora {
namespace {

// Arguments travel as Latin-1, one character per byte, so every byte of a file name comes back.
QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), qsizetype(text.size()));
}
std::string Bytes(const QString& text) { return text.toLatin1().toStdString(); }

// An option's name without its dashes.
std::string Bare(const std::string& option) {
  return option.substr(std::min(option.find_first_not_of('-'), option.size()));
}

// "--port" and "-o" name options "port" and "o"; --help is -h too.
QStringList OptionNames(const std::string& spelling) {
  QStringList names{Latin1(Bare(spelling))};
  if (spelling == "--help") names << QStringLiteral("h");
  return names;
}

// How the user spelt the named option, for the message.
std::string Spelling(const QString& name, const std::vector<std::string>& args) {
  const std::string bare = Bytes(name);
  for (const std::string& arg : args) {
    const std::string option = arg.substr(0, arg.find('='));
    if (option == "-" + bare || option == "--" + bare) return option;
  }
  return "--" + bare;
}

// Our own words for the parser's refusal. Besides an unknown option it refuses only a value
// option that ends the line or a switch given a value, and quotes that option as it was spelt.
std::string Refusal(const QCommandLineParser& parser, const std::vector<std::string>& args,
                    const std::set<std::string>& valueOptions) {
  if (!parser.unknownOptionNames().isEmpty()) {
    return "unknown option: " + Spelling(parser.unknownOptionNames().first(), args);
  }
  const QString text = parser.errorText();
  const auto from = text.indexOf('\''), to = text.lastIndexOf('\'');
  if (from < 0 || to <= from) return text.toStdString();
  const std::string option = Bytes(text.mid(from + 1, to - from - 1));
  const bool takesValue =
      std::any_of(valueOptions.begin(), valueOptions.end(),
                  [&](const std::string& v) { return Bare(v) == Bare(option); });
  return "option " + option + (takesValue ? " needs a value" : " takes no value");
}

// The command whose usage this is, for the hint: "usage: velmora-cli show FILE.dat" names show.
std::string CommandOf(const char* usage) {
  const std::string text(usage);
  const std::string tool = "velmora-cli ";
  const auto start = text.find(tool);
  if (start == std::string::npos) return "COMMAND";
  const auto name = start + tool.size();
  return text.substr(name, text.find_first_of(" \n", name) - name);
}

}  // namespace

std::optional<CliArguments> CliArguments::Parse(const std::vector<std::string>& args,
                                                const std::set<std::string>& valueOptions,
                                                const std::set<std::string>& flags,
                                                std::string& error) {
  QCommandLineParser parser;
  // One dash or two alike: -o and --o, -h and --help; "--opt=value" and "--opt value".
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  std::vector<std::pair<std::string, QCommandLineOption>> options;
  for (const std::string& name : valueOptions) {
    options.emplace_back(name, QCommandLineOption(OptionNames(name), {}, QStringLiteral("value")));
  }
  for (const std::string& name : flags) {
    options.emplace_back(name, QCommandLineOption(OptionNames(name)));
  }
  for (const auto& option : options) parser.addOption(option.second);
  QStringList arguments{QStringLiteral("velmora-cli")};
  for (const std::string& arg : args) arguments << Latin1(arg);
  if (!parser.parse(arguments)) {
    error = Refusal(parser, args, valueOptions);
    return std::nullopt;
  }
  // An option given twice is a mistake to show, not one to settle by taking the last.
  const QStringList found = parser.optionNames();
  for (const auto& [name, option] : options) {
    const auto times = std::count_if(found.begin(), found.end(),
                                     [&](const QString& n) { return option.names().contains(n); });
    if (times > 1) {
      error = "option " + Spelling(option.names().first(), args) + " given more than once";
      return std::nullopt;
    }
  }
  CliArguments parsed;
  for (const QString& arg : parser.positionalArguments()) parsed.m_positional.push_back(Bytes(arg));
  for (const auto& [name, option] : options) {
    if (!parser.isSet(option)) continue;
    if (valueOptions.count(name)) {
      parsed.m_values[name] = Bytes(parser.value(option));
    } else {
      parsed.m_flags.insert(name);
    }
  }
  return parsed;
}

std::optional<CliArguments> CliArguments::ParseOrUsage(const std::vector<std::string>& args,
                                                       const std::set<std::string>& valueOptions,
                                                       const std::set<std::string>& flags,
                                                       const char* usage, std::ostream& out,
                                                       std::ostream& err, int& exitCode) {
  std::set<std::string> withHelp = flags;
  withHelp.insert("--help");
  std::string error;
  auto parsed = Parse(args, valueOptions, withHelp, error);
  exitCode = 2;
  if (parsed && parsed->Has("--help")) {
    out << usage;
    exitCode = 0;
    return std::nullopt;
  }
  if (!parsed) err << error << "\nrun velmora-cli " << CommandOf(usage) << " --help\n";
  return parsed;
}

bool CliArguments::Has(const std::string& name) const {
  return m_flags.count(name) || m_values.count(name);
}

std::optional<std::string> CliArguments::Value(const std::string& name) const {
  const auto it = m_values.find(name);
  if (it == m_values.end()) return std::nullopt;
  return it->second;
}

std::optional<int> CliArguments::Int(const std::string& name, std::string& error) const {
  const auto text = Value(name);
  if (!text) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (ec != std::errc() || end != text->data() + text->size()) {
    error = name + " needs a whole number, not \"" + *text + "\"";
    return std::nullopt;
  }
  return value;
}

}  // namespace velmora

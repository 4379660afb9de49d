#include "cli/CliArguments.h"

#include <charconv>

namespace velmora {

std::optional<CliArguments> CliArguments::Parse(const std::vector<std::string>& args,
                                                const std::set<std::string>& valueOptions,
                                                const std::set<std::string>& flags,
                                                std::string& error) {
  CliArguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool known = flags.count(arg) || valueOptions.count(arg);
    if (!known && (arg.rfind("--", 0) != 0 || arg == "--")) {
      parsed.m_positional.push_back(arg);
    } else if (flags.count(arg)) {
      parsed.m_flags.insert(arg);
    } else if (valueOptions.count(arg)) {
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return std::nullopt;
      }
      parsed.m_values[arg] = args[++i];
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  return parsed;
}

std::optional<CliArguments> CliArguments::ParseOrUsage(const std::vector<std::string>& args,
                                                       const std::set<std::string>& valueOptions,
                                                       const std::set<std::string>& flags,
                                                       const char* usage, std::ostream& out,
                                                       std::ostream& err, int& exitCode) {
  std::string error;
  auto parsed = Parse(args, valueOptions, flags, error);
  exitCode = 2;
  if (parsed && parsed->Has("--help")) {
    out << usage;
    exitCode = 0;
    return std::nullopt;
  }
  if (!parsed) err << error << "\n" << usage;
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

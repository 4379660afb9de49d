#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace velmora {

// "--name value" (or "--name=value") options, "--flag" switches and positional arguments of one
// command; one dash does as well as two, and -h is --help.
class CliArguments {
 public:
  // Fails (returns nothing, error set) on an unknown option, a missing value or an option given
  // more than once.
  static std::optional<CliArguments> Parse(const std::vector<std::string>& args,
                                           const std::set<std::string>& valueOptions,
                                           const std::set<std::string>& flags, std::string& error);

  // Parse for a command: on --help prints its usage to out (exitCode 0), on an error prints the
  // error and a hint to run the command with --help to err (exitCode 2); either way returns
  // nothing, as the command is not to run. --help is accepted whether listed or not.
  static std::optional<CliArguments> ParseOrUsage(const std::vector<std::string>& args,
                                                  const std::set<std::string>& valueOptions,
                                                  const std::set<std::string>& flags,
                                                  const char* usage, std::ostream& out,
                                                  std::ostream& err, int& exitCode);

  const std::vector<std::string>& positional() const { return m_positional; }
  bool Has(const std::string& name) const;
  std::optional<std::string> Value(const std::string& name) const;
  // An integer option; error set when present but not a whole number.
  std::optional<int> Int(const std::string& name, std::string& error) const;

 private:
  std::vector<std::string> m_positional;
  std::map<std::string, std::string> m_values;
  std::set<std::string> m_flags;
};

}  // namespace velmora

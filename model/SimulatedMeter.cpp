#include "model/SimulatedMeter.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>

#include "model/ScpiHeader.h"

namespace velmora::meter {
namespace {

constexpr std::size_t kErrorQueueSize = 30;
constexpr int kMaxAveraging = 1024;

// The standard's texts for the errors the meter reports.
std::string ErrorText(int code) {
  static const std::map<int, const char*> kTexts = {
      {-100, "Command error"},         {-109, "Missing parameter"},
      {-113, "Undefined header"},      {-220, "Parameter error"},
      {-222, "Data out of range"},     {-224, "Illegal parameter value"},
      {-230, "Data corrupt or stale"}, {-241, "Hardware missing"},
      {-350, "Queue overflow"},        {-310, "System error"}};
  const auto it = kTexts.find(code);
  return std::to_string(code) + ",\"" +
         (it == kTexts.end() ? "Device-specific error" : it->second) + "\"";
}

std::string Trim(std::string text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  const auto last = text.find_last_not_of(" \t\r\n");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A number with an optional multiplier suffix (145MHZ, 1.45E8, 10 DB); nothing when not one.
std::optional<double> Number(const std::string& argument) {
  char* end = nullptr;
  const double value = std::strtod(argument.c_str(), &end);
  if (end == argument.c_str()) return std::nullopt;
  const std::string unit = Upper(Trim(end));
  static const std::map<std::string, double> kUnits = {{"", 1},      {"HZ", 1},     {"KHZ", 1e3},
                                                       {"MHZ", 1e6}, {"MAHZ", 1e6}, {"GHZ", 1e9},
                                                       {"DB", 1},    {"W", 1},      {"MW", 1e-3}};
  const auto it = kUnits.find(unit);
  if (it == kUnits.end() || !std::isfinite(value)) return std::nullopt;
  return value * it->second;
}

std::string Scientific(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.6E", value);
  return text;
}

}  // namespace

SimulatedMeter::SimulatedMeter(PowerSource source, const MeterSettings& settings)
    : m_source(std::move(source)), m_settings(settings), m_random(settings.seed) {}

void SimulatedMeter::Reset() {
  m_frequencyHz = 50e6;
  m_averaging = 1;
  m_offsetDb = 0;
  m_watts = false;
}

void SimulatedMeter::PushError(int code) {
  if (m_errors.size() < kErrorQueueSize) {
    m_errors.push_back(ErrorText(code));
  } else {
    m_errors.back() = ErrorText(-350);
  }
}

std::optional<std::string> SimulatedMeter::Handle(const std::string& line,
                                                  ModelClock::time_point at) {
  if (m_settings.faults.silent) return std::nullopt;
  const std::string command = Trim(line);
  const auto space = command.find_first_of(" \t");
  const std::string header = command.substr(0, space);
  const std::string argument = space == std::string::npos ? "" : Trim(command.substr(space));
  if (header.empty()) return std::nullopt;
  if (header.back() == '?') return Query(header, at);
  if (Set(header, argument) && m_settings.faults.error != 0) PushError(m_settings.faults.error);
  return std::nullopt;
}

std::optional<std::string> SimulatedMeter::Query(const std::string& header,
                                                 ModelClock::time_point at) {
  auto is = [&header](const char* pattern) { return ScpiHeader::Matches(header, pattern); };
  if (is("*IDN?")) return kIdentification;
  if (is("*OPC?")) return "1";
  if (is("SYSTem:ERRor:[NEXT]?")) {
    if (m_errors.empty()) return "0,\"No error\"";
    const std::string next = m_errors.front();
    m_errors.pop_front();
    return next;
  }
  if (is("READ:[SCALar]:[POWer]:[AC]?") || is("FETCh:[SCALar]:[POWer]:[AC]?") ||
      is("MEASure:[SCALar]:[POWer]:[AC]?")) {
    return Reading(at);
  }
  if (is("[SENSe]:FREQuency:[CW]?")) return Scientific(m_frequencyHz);
  if (is("[SENSe]:AVERage:COUNt?")) return std::to_string(m_averaging);
  if (is("[SENSe]:CORRection:OFFSet?")) return Scientific(m_offsetDb);
  if (is("UNIT:POWer?")) return m_watts ? "W" : "DBM";
  PushError(-113);
  return std::nullopt;
}

// Applies a setting command; false when it was refused (its error is then in the queue).
bool SimulatedMeter::Set(const std::string& header, const std::string& argument) {
  auto is = [&header](const char* pattern) { return ScpiHeader::Matches(header, pattern); };
  const std::string word = Upper(argument);
  const auto number = Number(argument);
  auto refuse = [this](int code) {
    PushError(code);
    return false;
  };
  if (is("*RST")) {
    Reset();
  } else if (is("*CLS")) {
    m_errors.clear();
  } else if (is("CONFigure:[SCALar]:[POWer]:[AC]")) {
    // This meter measures average power and nothing else: there is nothing to switch.
  } else if (is("CALibration:ZERO:AUTO")) {
    if (word != "ONCE" && word != "1" && word != "ON") return refuse(-224);
    m_zeroed = true;
  } else if (is("UNIT:POWer")) {
    if (word != "W" && word != "DBM") return refuse(-224);
    m_watts = word == "W";
  } else if (is("[SENSe]:FREQuency:[CW]")) {
    if (!number) return refuse(argument.empty() ? -109 : -224);
    if (*number < 1e6 || *number > 40e9) return refuse(-222);
    m_frequencyHz = *number;
  } else if (is("[SENSe]:AVERage:COUNt")) {
    if (!number || *number != std::floor(*number)) return refuse(argument.empty() ? -109 : -224);
    if (*number < 1 || *number > kMaxAveraging) return refuse(-222);
    m_averaging = static_cast<int>(*number);
  } else if (is("[SENSe]:CORRection:OFFSet")) {
    if (!number) return refuse(argument.empty() ? -109 : -224);
    if (std::abs(*number) > 100) return refuse(-222);
    m_offsetDb = *number;
  } else {
    return refuse(-113);
  }
  return true;
}

std::string SimulatedMeter::Reading(ModelClock::time_point at) {
  if (m_settings.faults.overrange) return Scientific(kOverrange);
  if (m_settings.faults.stuck && m_stuckReading) return *m_stuckReading;
  const double spread = m_settings.noise / std::sqrt(static_cast<double>(m_averaging));
  double watts = m_source(at) * (1.0 + spread * Gaussian());
  if (!m_zeroed) watts += kUnzeroedOffsetWatts;
  watts = std::max(watts, kNoiseFloorWatts) * std::pow(10.0, m_offsetDb / 10.0);
  const std::string reading = Scientific(m_watts ? watts : 10.0 * std::log10(watts * 1000.0));
  if (m_settings.faults.stuck) m_stuckReading = reading;
  return reading;
}

// Box-Muller from the generator's raw bits, so that a seed gives the same noise everywhere.
double SimulatedMeter::Gaussian() {
  auto uniform = [this] { return (static_cast<double>(m_random() >> 11) + 0.5) * 0x1p-53; };
  const double u1 = uniform(), u2 = uniform();
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

}  // namespace velmora::meter

#include "faults.h"

#include <cstdlib>
#include <sstream>
#include <utility>

#include "modbus.h"
#include "options.h"

namespace meqsim {

namespace {

struct KindName {
  const char* name;
  FaultKind kind;
  bool valueAllowed;
  bool valueRequired;
  long long min;
  long long max;
};

constexpr KindName KINDS[] = {
    {"noreply", FaultKind::NO_REPLY, false, false, 0, 0},
    {"corrupt", FaultKind::CORRUPT, true, false, 0, 254},
    {"truncate", FaultKind::TRUNCATE, true, false, 0, 254},
    {"extra", FaultKind::EXTRA, true, false, 1, 255},
    {"foreign", FaultKind::FOREIGN, true, false, 0, 255},
    {"delay", FaultKind::DELAY, true, true, 0, 600000},
    {"exception", FaultKind::EXCEPTION, true, true, 1, 255},
};

bool ParseRate(const std::string& text, double& rate) {
  if (text.empty()) return false;
  char* end = nullptr;
  rate = std::strtod(text.c_str(), &end);
  return end != nullptr && *end == '\0' && rate >= 0.0 && rate <= 1.0;
}

}  // namespace

bool ParseFault(const std::string& text, FaultSpec& spec, std::string& error) {
  spec = FaultSpec{};
  spec.text = text;
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ',');) parts.push_back(part);
  if (parts.empty() || parts[0].empty()) {
    error = "empty fault";
    return false;
  }

  const std::string& head = parts[0];
  const std::size_t eq = head.find('=');
  const std::string kindName = head.substr(0, eq);
  const KindName* kind = nullptr;
  for (const KindName& k : KINDS)
    if (kindName == k.name) kind = &k;
  if (kind == nullptr) {
    error = "unknown fault kind '" + kindName +
            "' (noreply, corrupt, truncate, extra, foreign, delay, exception)";
    return false;
  }
  spec.kind = kind->kind;
  if (eq != std::string::npos) {
    long long v = 0;
    if (!kind->valueAllowed) {
      error = std::string(kind->name) + " takes no value";
      return false;
    }
    if (!ParseNumber(head.substr(eq + 1), kind->min, kind->max, v)) {
      error = std::string(kind->name) + "=N needs N in " + std::to_string(kind->min) + ".." +
              std::to_string(kind->max);
      return false;
    }
    spec.hasValue = true;
    spec.value = static_cast<std::uint32_t>(v);
  } else if (kind->valueRequired) {
    error = std::string(kind->name) + " needs a value, e.g. " + kind->name + "=" +
            (kind->kind == FaultKind::DELAY ? "300" : "4");
    return false;
  }

  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    const std::size_t peq = part.find('=');
    if (peq == std::string::npos) {
      error = "'" + part + "' is not KEY=VALUE (fc, reg, rate, skip, count)";
      return false;
    }
    const std::string key = part.substr(0, peq);
    const std::string value = part.substr(peq + 1);
    long long v = 0;
    if (key == "fc") {
      if (!ParseNumber(value, 1, 127, v)) {
        error = "fc=N needs a function code 1..127";
        return false;
      }
      spec.functionCode = static_cast<int>(v);
    } else if (key == "reg") {
      if (!ParseNumber(value, 0, 65535, v)) {
        error = "reg=N needs a register 0..65535";
        return false;
      }
      spec.reg = static_cast<long>(v);
    } else if (key == "rate") {
      if (!ParseRate(value, spec.rate)) {
        error = "rate=R needs R from 0 to 1";
        return false;
      }
    } else if (key == "skip" || key == "count") {
      if (!ParseNumber(value, key == "count" ? 1 : 0, 1000000000, v)) {
        error = key + "=N needs N in " + (key == "count" ? "1" : "0") + "..1000000000";
        return false;
      }
      (key == "skip" ? spec.skip : spec.count) = static_cast<std::uint32_t>(v);
    } else {
      error = "unknown fault key '" + key + "' (fc, reg, rate, skip, count)";
      return false;
    }
  }
  return true;
}

FaultInjector::FaultInjector(std::vector<FaultSpec> specs, std::uint64_t seed)
    : specs_(std::move(specs)), rng_(seed) {}

double FaultInjector::NextUniform() {
  // 53 random bits -> [0, 1), the same on every platform for one seed.
  return static_cast<double>(rng_() >> 11) * (1.0 / 9007199254740992.0);
}

FaultPlan FaultInjector::Select(std::uint8_t functionCode, std::uint32_t first,
                                std::uint32_t last) {
  FaultPlan plan;
  for (FaultSpec& spec : specs_) {
    if (spec.functionCode >= 0 && spec.functionCode != functionCode) continue;
    if (spec.reg >= 0 && (static_cast<std::uint32_t>(spec.reg) < first ||
                          static_cast<std::uint32_t>(spec.reg) > last))
      continue;
    if (spec.count != 0 && spec.applied >= spec.count) continue;
    ++spec.seen;
    if (spec.seen <= spec.skip) continue;
    // Draw only for rates below 1, so adding a sure fault does not shift a random one.
    if (spec.rate < 1.0 && !(NextUniform() < spec.rate)) continue;
    ++spec.applied;

    plan.any = true;
    switch (spec.kind) {
      case FaultKind::NO_REPLY: plan.noReply = true; break;
      case FaultKind::EXCEPTION:
        plan.exception = true;
        plan.exceptionCode = static_cast<std::uint8_t>(spec.value);
        break;
      case FaultKind::CORRUPT:
        plan.corrupt = true;
        if (spec.hasValue) plan.corruptIndex = spec.value;
        break;
      case FaultKind::TRUNCATE:
        plan.truncate = true;
        if (spec.hasValue) plan.truncateTo = spec.value;
        break;
      case FaultKind::EXTRA: plan.extraBytes += spec.hasValue ? spec.value : 1; break;
      case FaultKind::FOREIGN:
        plan.foreign = true;
        plan.foreignAddress = static_cast<std::uint8_t>(spec.hasValue ? spec.value : 0);
        break;
      case FaultKind::DELAY: plan.delayMs += spec.value; break;
    }
    plan.note += plan.note.empty() ? "fault: " : ", ";
    plan.note += spec.text.substr(0, spec.text.find(','));
  }
  return plan;
}

std::size_t FaultInjector::Apply(const FaultPlan& plan, std::uint8_t* reply, std::size_t length,
                                 std::uint8_t ownAddress) {
  if (plan.foreign && length >= 4) {
    std::uint8_t other = plan.foreignAddress;
    if (other == 0 || other == ownAddress)
      other = static_cast<std::uint8_t>(ownAddress >= 247 ? 1 : ownAddress + 1);
    reply[0] = other;
    length = AppendCrc(reply, length - 2);
  }
  if (plan.corrupt && length >= 3) {
    // Default: the last byte before the CRC; any single changed byte breaks the CRC.
    const std::size_t index = plan.corruptIndex < length ? plan.corruptIndex : length - 3;
    reply[index] = static_cast<std::uint8_t>(reply[index] ^ 0x5A);
  }
  for (std::size_t i = 0; i < plan.extraBytes && length < REPLY_CAPACITY; ++i)
    reply[length++] = 0x00;
  if (plan.truncate) {
    const std::size_t keep = plan.truncateTo < length ? plan.truncateTo : length - 1;
    length = keep;
  }
  return length;
}

}  // namespace meqsim

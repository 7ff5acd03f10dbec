#include "EngineCall.h"

namespace frontend {
namespace {

constexpr int32_t kAnswerStop = -1;  // all bits set

struct CallState {
  RepairEvents& events;
  PasswordAnswer password;
};

int32_t AnswerPassword(CallState& state, PasswordQuery* query) {
  if (query == nullptr || !state.events.PasswordWanted(query->attempt, state.password) || !state.password.Held()) {
    state.password.Wipe();
    return 0;
  }
  query->password = state.password.Data();
  query->length = state.password.Size();
  return 1;
}

int32_t Decode(CallState& state, int32_t code, void* data) {
  if (code == msgQueryPassword) return AnswerPassword(state, static_cast<PasswordQuery*>(data));
  state.password.Wipe();  // the engine copied the answer when it was given
  switch (code) {
    case msgQueryStop:
      return state.events.StopWanted() ? kAnswerStop : 0;
    case msgProgress:
      if (data != nullptr) state.events.Progress(*static_cast<const uint8_t*>(data));
      return 0;
    case msgLogLine:
      if (data != nullptr) state.events.LogLine(static_cast<const char*>(data));
      return 0;
    case msgError:
      if (data != nullptr) state.events.Error(static_cast<const char*>(data));
      return 0;
    case msgReport:
      if (data != nullptr) state.events.Report(RepairReport::Parse(static_cast<const char*>(data)));
      return 0;
    default:
      return 0;
  }
}

int32_t OnEngineMessage(int32_t code, void* data, void* userData) {
  auto& state = *static_cast<CallState*>(userData);
  try {
    return Decode(state, code, data);
  } catch (...) {
    state.password.Wipe();
    return 0;
  }
}

}  // namespace

int CallEngine(const std::string& source, const std::string& writerPath, uint32_t versionOption,
               RepairEvents& events, RepairFunction repair) {
  CallState state{events, {}};
  const EngineCallRecord record{source.c_str(), 0, versionOption, writerPath.c_str(), &OnEngineMessage, &state};
  return repair(&record);
}

}  // namespace frontend

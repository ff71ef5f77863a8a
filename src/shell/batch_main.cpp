// The batch program: "/BUSCA", "/REPES" and "/BACKUP" with no window at all,
// for systems where the windows are not built. With no command, or a wrong
// one, it prints the usage.
#include <cstdio>
#include <string_view>

#include "platform/arguments.h"
#include "shell/batch_job.h"

namespace {

void SayOnStandardError(std::string_view text) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace

int main(int argc, char** argv) {
  zuruza::UseUtf8Console();
  return zuruza::RunHeadlessBatch(zuruza::ProgramParameters(argc, argv), SayOnStandardError);
}

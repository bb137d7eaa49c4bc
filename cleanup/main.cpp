// Orlavex: clears TaobaoAssistant's cached user data on drives C, D, E, F, H and G.
#include "cleanup/cleanup.h"
#include "cleanup/startup.h"

int main() {
  enter_executable_folder();
  run_cleanup();  // its result is not the exit status: the program always ends with 0
  return 0;
}

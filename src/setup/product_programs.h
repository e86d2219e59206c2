#pragma once
// The product's running programs around a rollback: the main dialog
// ("WendrixDialog") and the scheduler ("WendrixScheduler") are stopped before
// files are put back and started again afterwards.
//
// Stopping and restarting them is the job of the self-installation code,
// which is not part of the library yet: until it is, PauseProductPrograms
// only finds out which of them run, and nothing is stopped or restarted.
namespace wendrix {

struct RunningProductPrograms {
  bool dialog = false;
  bool scheduler = false;
};

RunningProductPrograms PauseProductPrograms();
void ResumeProductPrograms(const RunningProductPrograms& running);

}  // namespace wendrix

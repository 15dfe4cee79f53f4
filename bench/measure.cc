// Runs a command and prints its CPU time (user + system, in seconds, to the
// microsecond, its children included) and its peak resident set (KiB):
//
//   measure OUTPUT_FILE COMMAND [ARGUMENT...]
//
// The figures are appended to OUTPUT_FILE as one line; the command's own
// output is left alone.  Exits with the command's status.
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: measure OUTPUT_FILE COMMAND [ARGUMENT...]\n");
    return 2;
  }
  const pid_t child = fork();
  if (child < 0) return 127;
  if (child == 0) {
    execvp(argv[2], argv + 2);
    perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) != child) return 127;
  const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  FILE* out = fopen(argv[1], "a");
  if (out == nullptr) return 127;
  fprintf(out, "%.6f %ld\n", cpu, usage.ru_maxrss);
  fclose(out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

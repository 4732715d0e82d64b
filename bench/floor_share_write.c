/* What a minimal program gets from a share for the tag batches: 16 threads
 * take the files of LIST (one path a line, relative to BASE) in turn; each
 * opens its file O_RDWR, reads the last 128 bytes (the end from fstat),
 * and where they start with "TAG" writes 30 bytes of TEXT over the title
 * field, then closes it.
 *
 *   floor_share_write BASE LIST TEXT
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kThreads = 16, kMostFiles = 1 << 20 };

static int base;
static char **paths;
static long count;
static atomic_long next, written, skipped, failed;
static char field[30];

static void change(const char *path) {
  int fd = openat(base, path, O_RDWR | O_CLOEXEC);
  if (fd < 0) { atomic_fetch_add(&failed, 1); return; }
  struct stat st;
  char tail[128];
  if (fstat(fd, &st) != 0 || st.st_size < 128 ||
      pread(fd, tail, 128, st.st_size - 128) != 128 || memcmp(tail, "TAG", 3) != 0) {
    atomic_fetch_add(&skipped, 1);
  } else if (pwrite(fd, field, sizeof field, st.st_size - 125) == (ssize_t)sizeof field) {
    atomic_fetch_add(&written, 1);
  } else {
    atomic_fetch_add(&failed, 1);
  }
  close(fd);
}

static void *worker(void *unused) {
  (void)unused;
  for (long i; (i = atomic_fetch_add(&next, 1)) < count;) change(paths[i]);
  return NULL;
}

int main(int argc, char **argv) {
  if (argc != 4) { fprintf(stderr, "usage: floor_share_write BASE LIST TEXT\n"); return 2; }
  base = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  FILE *list = fopen(argv[2], "r");
  paths = calloc(kMostFiles, sizeof *paths);
  if (base < 0 || list == NULL || paths == NULL) { perror("floor_share_write"); return 1; }
  size_t length = strlen(argv[3]);
  memcpy(field, argv[3], length < sizeof field ? length : sizeof field);
  char line[4096];
  while (count < kMostFiles && fgets(line, sizeof line, list) != NULL) {
    line[strcspn(line, "\n")] = '\0';
    if (line[0] != '\0') paths[count++] = strdup(line);
  }
  pthread_t threads[kThreads];
  for (int i = 0; i < kThreads; ++i) pthread_create(&threads[i], NULL, worker, NULL);
  for (int i = 0; i < kThreads; ++i) pthread_join(threads[i], NULL);
  fprintf(stderr, "floor_share_write: %ld written, %ld skipped, %ld failed\n",
          (long)written, (long)skipped, (long)failed);
  return failed != 0;
}

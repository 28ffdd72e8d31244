/* Runs a program many times with stdin from a file and stdout to /dev/null,
 * and prints the median wall time of one whole run in microseconds. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static int compare(const void* a, const void* b) {
    double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: startup RUNS INPUT PROGRAM\n");
        return 2;
    }
    int runs = atoi(argv[1]);
    double* times = malloc(sizeof(double) * (size_t)runs);
    for (int i = 0; i < runs; ++i) {
        struct timespec start, end;
        clock_gettime(CLOCK_MONOTONIC, &start);
        pid_t pid = fork();
        if (pid == 0) {
            int in = open(argv[2], O_RDONLY), out = open("/dev/null", O_WRONLY);
            dup2(in, 0);
            dup2(out, 1);
            execv(argv[3], argv + 3);
            _exit(127);
        }
        int status;
        waitpid(pid, &status, 0);
        clock_gettime(CLOCK_MONOTONIC, &end);
        times[i] = (double)(end.tv_sec - start.tv_sec) * 1e6 + (double)(end.tv_nsec - start.tv_nsec) / 1e3;
    }
    qsort(times, (size_t)runs, sizeof(double), compare);
    printf("%.1f\n", times[runs / 2]);
    return 0;
}

/* Makes a chain of folders "d" DEPTH deep below FOLDER, with a file at the
   bottom, one folder at a time: the path is far too long to be named whole. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    mkdir(argv[1], 0755);
    int fd = open(argv[1], O_RDONLY | O_DIRECTORY);
    for (long i = atol(argv[2]); i > 0 && fd >= 0; --i) {
        mkdirat(fd, "d", 0755);
        const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    if (fd < 0) return perror("deep"), 1;
    close(openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644));
    return 0;
}

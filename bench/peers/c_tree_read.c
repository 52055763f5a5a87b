/* The floor for a folder scan: walk a tree with readdir and read every regular
   file whole with open/read/close, nothing parsed. Prints files and bytes read.
   Build: cc -O2 -o c_tree_read c_tree_read.c */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static long files;
static long long bytes;
static char buffer[1 << 16];

static void walk(char* path, size_t len)
{
    DIR* d = opendir(path);
    if (!d)
        return;
    struct dirent* e;
    while ((e = readdir(d))) {
        if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, ".."))
            continue;
        size_t n = strlen(e->d_name);
        if (len + 1 + n + 1 > 4096)
            continue;
        path[len] = '/';
        memcpy(path + len + 1, e->d_name, n + 1);
        if (e->d_type == DT_DIR) {
            walk(path, len + 1 + n);
        } else if (e->d_type == DT_REG) {
            int fd = open(path, O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                ssize_t r;
                while ((r = read(fd, buffer, sizeof buffer)) > 0)
                    bytes += r;
                close(fd);
                ++files;
            }
        }
        path[len] = 0;
    }
    closedir(d);
}

int main(int argc, char** argv)
{
    char path[4096];
    for (int i = 1; i < argc; ++i) {
        snprintf(path, sizeof path, "%s", argv[i]);
        walk(path, strlen(path));
    }
    printf("%ld files, %lld bytes\n", files, bytes);
    return 0;
}

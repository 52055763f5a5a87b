/* The floor for reading a bookmark HTML file: read it whole, find each "<A "
   tag's HREF value and the title text up to "</A>", and write them as TSV lines
   (nothing decoded, no entity, no merge, no sort). What any reader of the file
   must at least do; zorvel-cli list does this and much more.
   Build: cc -O2 -o c_html_scan c_html_scan.c
   Run:   c_html_scan FILE > /dev/null  (prints the count on stderr) */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: c_html_scan FILE\n");
        return 2;
    }
    FILE* f = fopen(argv[1], "rb");
    if (!f) {
        perror(argv[1]);
        return 1;
    }
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    char* data = malloc((size_t)size + 1);
    if (!data || fread(data, 1, (size_t)size, f) != (size_t)size) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    fclose(f);
    data[size] = 0;
    static char out[1 << 16];
    setvbuf(stdout, out, _IOFBF, sizeof out);
    long found = 0;
    const char* p = data;
    const char* end = data + size;
    while ((p = memmem(p, (size_t)(end - p), "<A ", 3))) {
        const char* close = memchr(p, '>', (size_t)(end - p));
        if (!close)
            break;
        const char* href = memmem(p, (size_t)(close - p), "HREF=\"", 6);
        p = close + 1;
        if (!href)
            continue;
        href += 6;
        const char* hrefEnd = memchr(href, '"', (size_t)(close - href));
        if (!hrefEnd)
            continue;
        const char* titleEnd = memmem(p, (size_t)(end - p), "</A>", 4);
        if (!titleEnd)
            break;
        fwrite(href, 1, (size_t)(hrefEnd - href), stdout);
        putchar('\t');
        fwrite(p, 1, (size_t)(titleEnd - p), stdout);
        putchar('\n');
        p = titleEnd + 4;
        ++found;
    }
    fprintf(stderr, "%ld\n", found);
    return 0;
}

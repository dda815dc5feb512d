/*
 * vantor-xlsx-minimal DB SQL OUT.xlsx
 *
 * The practical limit of the export on this machine: the rows of SQL read with SQLite's
 * C interface and the same cells written with libxlsxwriter, nothing else in between.
 * Prints "seconds=S hwm_kib=K rows=N" like the benchmark's own jobs.
 */
#include <sqlite3.h>
#include <xlsxwriter.h>

#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>

enum { MaxColumns = 64 };

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

/* Copies `text` without its leading and trailing blanks into `out` (of `size` bytes). */
static const char* trimmed(const char* text, char* out, size_t size)
{
    while (*text == ' ')
        ++text;
    size_t n = strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        --n;
    if (n >= size)
        n = size - 1;
    memcpy(out, text, n);
    out[n] = '\0';
    return out;
}

/* Characters of a UTF-8 text, for the column width. */
static size_t characters(const char* text)
{
    size_t n = 0;
    for (; *text; ++text)
        n += ((unsigned char)*text & 0xC0) != 0x80;
    return n;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: vantor-xlsx-minimal DB SQL OUT.xlsx\n");
        return 2;
    }
    const double start = now();
    sqlite3* db = NULL;
    sqlite3_stmt* query = NULL;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK
        || sqlite3_prepare_v2(db, argv[2], -1, &query, NULL) != SQLITE_OK) {
        fprintf(stderr, "vantor-xlsx-minimal: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    const int columns = sqlite3_column_count(query);
    if (columns > MaxColumns)
        return 1;

    lxw_workbook_options options = {.constant_memory = LXW_TRUE, .tmpdir = NULL, .use_zip64 = LXW_FALSE};
    lxw_workbook* book = workbook_new_opt(argv[3], &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
    lxw_format* header = workbook_add_format(book);
    format_set_bold(header);
    format_set_font_color(header, 0xFF0000); /* Excel's colour value 255 is pure red */
    format_set_font_size(header, 10);
    lxw_format* headerCentred = workbook_add_format(book);
    format_set_bold(headerCentred);
    format_set_font_color(headerCentred, 0xFF0000);
    format_set_font_size(headerCentred, 10);
    format_set_align(headerCentred, LXW_ALIGN_CENTER);
    lxw_format* cell = workbook_add_format(book);
    format_set_font_size(cell, 10);
    lxw_format* cellCentred = workbook_add_format(book);
    format_set_font_size(cellCentred, 10);
    format_set_align(cellCentred, LXW_ALIGN_CENTER);

    worksheet_repeat_rows(sheet, 0, 0);
    worksheet_gridlines(sheet, LXW_SHOW_PRINT_GRIDLINES);
    worksheet_set_landscape(sheet);

    size_t widest[MaxColumns] = {0};
    char text[4096];
    for (int c = 0; c < columns; ++c) {
        const int centred = c >= 3 && c <= 12; /* columns D to M */
        worksheet_write_string(sheet, 0, (lxw_col_t)c, trimmed(sqlite3_column_name(query, c), text, sizeof text),
                               centred ? headerCentred : header);
    }
    lxw_row_t row = 1;
    long long rows = 0;
    while (sqlite3_step(query) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            lxw_format* format = c >= 3 && c <= 12 ? cellCentred : cell;
            const unsigned char* value = sqlite3_column_text(query, c);
            if (!value) {
                worksheet_write_blank(sheet, row, (lxw_col_t)c, format);
                continue;
            }
            trimmed((const char*)value, text, sizeof text);
            worksheet_write_string(sheet, row, (lxw_col_t)c, text, format);
            const size_t n = characters(text);
            if (n > widest[c])
                widest[c] = n;
        }
        ++row;
        ++rows;
    }
    for (int c = 0; c < columns; ++c) {
        if (widest[c] > 0)
            worksheet_set_column(sheet, (lxw_col_t)c, (lxw_col_t)c, (double)widest[c] + 1.0, NULL);
    }
    const lxw_error closed = workbook_close(book);
    sqlite3_finalize(query);
    sqlite3_close(db);
    if (closed != LXW_NO_ERROR) {
        fprintf(stderr, "vantor-xlsx-minimal: %s\n", lxw_strerror(closed));
        return 1;
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("seconds=%.6f hwm_kib=%ld rows=%lld first=-\n", now() - start, usage.ru_maxrss, rows);
    return 0;
}

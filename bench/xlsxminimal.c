/*
 * vantor-xlsx-minimal DB SQL OUT.xlsx
 * sqlite3 -ascii -header DB SQL | vantor-xlsx-minimal - OUT.xlsx
 *
 * The practical limit of the export on this machine: the rows of SQL read with SQLite's
 * C interface, or from the sqlite3 shell's ascii output on standard input, and the same
 * cells written with libxlsxwriter, nothing else in between.
 * Prints "seconds=S hwm_kib=K rows=N" like the benchmark's own jobs.
 */
#include <sqlite3.h>
#include <xlsxwriter.h>

#include <stdio.h>
#include <stdlib.h>
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

/* The width of a text in character widths of the standard face, as the export fits
 * columns: capitals a fifth wider than other characters. */
static double measure(const char* text, double size, int bold)
{
    double width = 0;
    const unsigned char* p = (const unsigned char*)text;
    while (*p) {
        unsigned code = *p;
        if (code >= 0xC0 && (p[1] & 0xC0) == 0x80 && code < 0xE0) {
            code = ((code & 0x1Fu) << 6) | (p[1] & 0x3Fu);
            p += 2;
        } else {
            ++p;
            while ((*p & 0xC0) == 0x80)
                ++p;
        }
        const int upper = (code >= 'A' && code <= 'Z') || (code >= 0xC0 && code <= 0xDE && code != 0xD7);
        width += upper ? 1.2 : 1.0;
    }
    return width * size / 11.0 * (bold ? 1.1 : 1.0);
}

/* Where the rows come from: a query run here, or the shell's records on standard input,
 * fields separated by 0x1F and records by 0x1E, the first record naming the columns. */
struct Source {
    sqlite3* db;
    sqlite3_stmt* query;
    char* record;
    size_t capacity;
    int columns;
    const char* fields[MaxColumns];
};

/* Reads the next record into `fields`; 0 at the end, -1 on a record of too many fields. */
static int readRecord(struct Source* source)
{
    ssize_t length = getdelim(&source->record, &source->capacity, 0x1E, stdin);
    if (length <= 0)
        return 0;
    if (source->record[length - 1] == 0x1E)
        source->record[--length] = '\0';
    int n = 0;
    char* field = source->record;
    for (;;) {
        if (n == MaxColumns)
            return -1;
        source->fields[n++] = field;
        char* end = strchr(field, 0x1F);
        if (!end)
            break;
        *end = '\0';
        field = end + 1;
    }
    source->columns = n;
    return 1;
}

static int openSource(struct Source* source, int argc, char** argv)
{
    memset(source, 0, sizeof *source);
    if (argc == 3 && strcmp(argv[1], "-") == 0)
        return readRecord(source) == 1;
    if (sqlite3_open_v2(argv[1], &source->db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK
        || sqlite3_prepare_v2(source->db, argv[2], -1, &source->query, NULL) != SQLITE_OK) {
        fprintf(stderr, "vantor-xlsx-minimal: %s\n", sqlite3_errmsg(source->db));
        return 0;
    }
    source->columns = sqlite3_column_count(source->query);
    if (source->columns > MaxColumns)
        return 0;
    for (int c = 0; c < source->columns; ++c)
        source->fields[c] = sqlite3_column_name(source->query, c);
    return 1;
}

/* The next row into `fields` (a null value reads as empty); 0 at the end. */
static int nextRow(struct Source* source)
{
    if (!source->query) {
        const int columns = source->columns;
        return readRecord(source) == 1 && source->columns == columns;
    }
    if (sqlite3_step(source->query) != SQLITE_ROW)
        return 0;
    for (int c = 0; c < source->columns; ++c) {
        const unsigned char* value = sqlite3_column_text(source->query, c);
        source->fields[c] = value ? (const char*)value : "";
    }
    return 1;
}

int main(int argc, char** argv)
{
    if (argc != 4 && !(argc == 3 && strcmp(argv[1], "-") == 0)) {
        fprintf(stderr,
                "usage: vantor-xlsx-minimal DB SQL OUT.xlsx\n"
                "       sqlite3 -ascii -header DB SQL | vantor-xlsx-minimal - OUT.xlsx\n");
        return 2;
    }
    const double start = now();
    struct Source source;
    if (!openSource(&source, argc, argv))
        return 1;
    const int columns = source.columns;
    const char* output = argv[argc - 1];

    lxw_workbook_options options = {.constant_memory = LXW_TRUE, .tmpdir = NULL, .use_zip64 = LXW_TRUE};
    lxw_workbook* book = workbook_new_opt(output, &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
    worksheet_hide(workbook_add_worksheet(book, "Sheet2"));
    worksheet_hide(workbook_add_worksheet(book, "Sheet3"));

    /* Header: bold red 10 point; data: 10 point; both centred in columns D to M. */
    lxw_format* formats[2][2]; /* [header][centred] */
    for (int h = 0; h < 2; ++h) {
        for (int centred = 0; centred < 2; ++centred) {
            lxw_format* f = workbook_add_format(book);
            if (h) {
                format_set_bold(f);
                format_set_font_color(f, 0xFF0000);
            }
            format_set_font_size(f, 10);
            if (centred)
                format_set_align(f, LXW_ALIGN_CENTER);
            formats[h][centred] = f;
        }
    }
    lxw_format* column = workbook_add_format(book);
    format_set_font_size(column, 11);
    format_set_align(column, LXW_ALIGN_CENTER);

    worksheet_set_landscape(sheet);
    worksheet_gridlines(sheet, LXW_SHOW_ALL_GRIDLINES);
    worksheet_repeat_rows(sheet, 0, 0);

    double widest[MaxColumns] = {0};
    char text[4096];
    for (int c = 0; c < columns; ++c) {
        trimmed(source.fields[c], text, sizeof text);
        worksheet_write_string(sheet, 0, (lxw_col_t)c, text, formats[1][c >= 3 && c <= 12]);
        widest[c] = measure(text, 10, 1);
    }
    lxw_row_t row = 1;
    long long rows = 0;
    while (nextRow(&source)) {
        for (int c = 0; c < columns; ++c) {
            lxw_format* format = formats[0][c >= 3 && c <= 12];
            trimmed(source.fields[c], text, sizeof text);
            if (!text[0]) {
                worksheet_write_blank(sheet, row, (lxw_col_t)c, format);
                continue;
            }
            worksheet_write_string(sheet, row, (lxw_col_t)c, text, format);
            const double width = measure(text, 10, 0);
            if (width > widest[c])
                widest[c] = width;
        }
        ++row;
        ++rows;
    }
    for (int c = 0; c < columns; ++c) {
        const int centred = c >= 3 && c <= 12;
        if (rows > 0 && widest[c] > 0)
            worksheet_set_column(sheet, (lxw_col_t)c, (lxw_col_t)c, widest[c] + 1.0, centred ? column : NULL);
        else if (centred)
            worksheet_set_column(sheet, (lxw_col_t)c, (lxw_col_t)c, LXW_DEF_COL_WIDTH, column);
    }
    const lxw_error closed = workbook_close(book);
    sqlite3_finalize(source.query);
    sqlite3_close(source.db);
    free(source.record);
    if (closed != LXW_NO_ERROR) {
        fprintf(stderr, "vantor-xlsx-minimal: %s\n", lxw_strerror(closed));
        return 1;
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("seconds=%.6f hwm_kib=%ld rows=%lld first=-\n", now() - start, usage.ru_maxrss, rows);
    return 0;
}

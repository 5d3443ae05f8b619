#pragma once

// exchange/xls — real Excel 97-2003 workbooks (.xls): an OLE2 compound file ([MS-CFB]) holding a
// BIFF8 workbook stream ([MS-XLS]). No library on this platform writes .xls, so the program has
// its own small module; the facts it relies on are collected in notes/xls-biff8.md of the design
// folder. Four classes:
//
//   XlsCompoundFile  the compound file: reads every directory entry and stream (FAT, DIFAT, mini
//                    stream; v3 and v4 sector sizes) and writes a v3 file with the same entries.
//   XlsWorkbook      reads: sheet names and every cell of a sheet as text (shared strings, LABEL,
//                    RSTRING, NUMBER, RK, MULRK, FORMULA results, BOOLERR; numbers in their
//                    shortest decimal form).
//   XlsRewriter      copies a template and changes the text cells of one sheet below its first
//                    row, keeping every other record byte for byte and rebuilding what depends on
//                    positions (strings table and its EXTSST index, BOUNDSHEET8, INDEX, DBCELL).
//   XlsWriter        writes a simple workbook from scratch (text, fonts, borders, merges, column
//                    widths, row heights, page setup); the payslip templates are made with it.
//
// Files of other programs are read as they come: shared strings (LABELSST) or LABEL cells, a
// stream named "Workbook" or "Book", with or without INDEX/DBCELL, strings split over CONTINUE
// records at any allowed place, a wrong unique-string count, zero padding after the last record.
// A damaged or truncated file, an encrypted one or an older BIFF version throws XlsError with a
// clear text; every read is bounds checked and every chain followed with a cycle guard, so no
// input makes the module crash, hang or write anywhere but the output file it was given. The
// tests run the module under AddressSanitizer and feed it truncated, garbled and mutated files.
//
// Internal layer: XlsBiff.h (records, substreams, strings table, shared serialisation).

#include "XlsCompoundFile.h"
#include "XlsError.h"
#include "XlsRewriter.h"
#include "XlsWorkbook.h"
#include "XlsWriter.h"

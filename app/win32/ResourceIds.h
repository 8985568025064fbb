#pragma once
// Resource identifiers of quorin-iap.exe (quorin-iap.rc and the code that loads them). Plain
// macros: windres reads this file too.
#define QUORIN_IDI_APPLICATION 1
#define QUORIN_IDI_READ_PACK 101
#define QUORIN_IDI_PROGRAM 102
#define QUORIN_IDR_LOGO_JPEG 201

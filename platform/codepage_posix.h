/* The POSIX code-page service: iconv behind the contract of the Win32 code-page calls.
 * Internal to platform/. */
#ifndef VT_CODEPAGE_POSIX_H
#define VT_CODEPAGE_POSIX_H
#if !defined(_WIN32)

int posix_mb_to_wc(int code_page, unsigned flags, const char* source, int source_length,
                   char16_t* dest, int dest_capacity);
int posix_wc_to_mb(int code_page, unsigned flags, const char16_t* source, int source_length,
                   char* dest, int dest_capacity);
int posix_is_lead_byte(int code_page, unsigned char byte);
int posix_last_error(void);

#endif
#endif

// Address, host-name and allocation utilities.
//
// Addresses are unsigned 32-bit numbers whose most significant byte is the
// first number of the dotted form; 0 means "no address" (and is also what
// "0.0.0.0" converts to, so checks that accept it compare the text).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int HOST_CACHE_SIZE = 100;  // entries of the reverse look-up cache

// Stores this host's address, netmask and the host-name-resolving switch.
void myutil_set_config(uint32_t address, uint32_t netmask, int resolving);
uint32_t myutil_get_my_ip();
uint32_t myutil_get_my_netmask();
int myutil_get_my_nameres();  // 1 on, 0 off

// Writes the display text of an address (host name or dotted quad) into a
// buffer of at least 21 bytes.
void myutil_get_host_name(uint32_t address, char* text);

// The address a text stands for, or 0.
uint32_t myutil_get_host_addr(const char* text);

// Strict dotted quad; 1 with *value set, 0 when the text is not one.
int myutil_parse_dotted_quad(const char* text, uint32_t* value);

int myutil_check_ip(const char* text);     // 1 when an address or exactly "0.0.0.0"
int myutil_check_phone(const char* text);  // 1 for digits, optionally ending in "s"

// Zero-filled memory; never returns null (prints a message and exits 99).
void* myutil_malloc(size_t size);

// 1 when the path exists and is not a directory.
int myutil_file_exist(const char* path);

// This host's name, always terminated; 0 on success, -1 when it cannot be had.
int myutil_get_my_hostname(char* name, size_t size);

// The one bounded copy into a record's text field: copies at most size-1
// bytes and always terminates. Returns the length of src, so a caller can
// tell that it was cut (result >= size).
size_t myutil_copy_text(char* dst, size_t size, const char* src);

template <size_t N>
inline size_t myutil_copy_text(char (&dst)[N], const char* src)
{
    return myutil_copy_text(dst, N, src);
}

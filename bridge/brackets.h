/* The host command brackets: the table of host commands the bridge watches. */
#ifndef VT_BRACKETS_H
#define VT_BRACKETS_H

extern "C" {

struct bracket_entry {
    const char* name;  /* the host command's name, looked up exactly as written */
    int id;            /* the host's command id; 0 while unknown */
};

enum { VT_BRACKET_COUNT = 5 };

/* Written by bridge_attach_brackets at start-up, only read afterwards. */
extern bracket_entry VTBracketTable[VT_BRACKET_COUNT];

}

#endif

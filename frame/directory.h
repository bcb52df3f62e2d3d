/* The directory test of the text directories: does a path name an existing directory. */
#ifndef VT_DIRECTORY_H
#define VT_DIRECTORY_H

extern "C" {

/* 1 when path names an existing directory, else 0.  One trailing '\' or '/' is removed from the
 * path in place first, unless the path is that character alone or it follows '\', '/' or ':'. */
int dir_exists(char* path);

}

#endif

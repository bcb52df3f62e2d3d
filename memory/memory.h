/* Memory and container runtime: the pooled memory manager (chain blocks and clumps), expandable
 * arrays (xarrays) and ordered containers (red-black tree, bisection search, pointer sort).
 * Array operations take the address of the caller's array variable. */
#ifndef VT_MEMORY_H
#define VT_MEMORY_H

extern "C" {

/* A node of the red-black tree; nodes come from the tree's own pool. */
struct btree_node {
    btree_node* parent;
    btree_node* left;
    btree_node* right;
    void* item;
    unsigned colour;          /* 1 black, 0 red */
};
struct btree {
    btree_node* root;
    void* node_pool;          /* xarray of pool block records */
};
typedef int (*btree_compare)(const void* a, const void* b);
typedef int (*array_compare)(const void* a, const void* b, void* extra);

/* Pooled memory manager */
void* getmem(int size, int xar_flag);
void* relocmem(void* ptr, int size, int xar_flag);
int   rlsmem(void* ptr);
void  rlsmem_ptr(void** ptr_var);
void* manage_memory(int size, void* old, int may_fail, int xar_flag);
int   register_clump(const char* name, int object_size);
void* getmem_clump(int clump_id);
int   rlsmem_clump(void* ptr);
void* relocmem_clump(void* ptr, int size);
/* Releases a clump descriptor without objects for reuse: 0, or -1 when it is unknown or still
 * holds objects. */
int   unregister_clump(int clump_id);
/* Checks: the number of chain blocks when the chain is consistent, else -1; the chunks of a clump
 * in list order (at most max_chunks stored) and their number, or -1 for an unknown id. */
int   memory_chain_check(void);
int   memory_clump_chunks(int clump_id, void** chunks, int max_chunks);
/* Walks the chain from its oldest block, handing each block's data and the size asked for to
 * visit (which must not change the chain); the number of blocks, or -1 when a link does not hold
 * (the walk stops there).  visit may be null. */
typedef void (*memory_block_visitor)(const void* data, unsigned size, void* context);
int   memory_chain_walk(memory_block_visitor visit, void* context);
/* The live objects of a registered clump, and the number of its chunks in *chunks (unless null);
 * -1 for an id that is not a registered clump. */
int   memory_clump_live(int clump_id, int* chunks);

/* Expandable arrays */
void* XAR_ALLOC(int count, int object_size, int extension);
void* XAR_EXTEND(void** array, int n);
int   XAR_PRE_RELOC(void* array, int n);        /* the array's first object, not its variable */
void* XAR_APPEND(void** array, int n, const void* source);
void* XAR_LAST(void** array);
int   XAR_COUNT(void** array);
void* XAR_SHRINK(void** array, int n);
int   XAR_RESIZE(void** array, int new_count);
void  XAR_FREE(void** array);
void  XAR_PARAMS(void** array, int* object_size, int* extension, int* count, int* max_count);
void* xar_insert(void** array, int index, int n, const void* source);
void* xar_remove(void** array, int index, int n);
int   xar_find_int(void** array, int value);
void  arr_insert(void* data, int object_size, int* count, int index, int n, const void* source);
void  arr_delete(void* data, int object_size, int* count, int index, int n);

/* Ordered containers */
btree*      create_btree(int initial_count);
void        destroy_btree(btree* tree);   /* releases the pool blocks, the pool and the tree */
btree_node* insert_into_balanced_btree(btree* tree, void* item, btree_compare compare);
int         delete_btree_node(btree* tree, btree_node* node);
btree_node* find_btree_node(btree* tree, const void* key, btree_compare compare);
int         find_btree_neighbours(btree* tree, const void* key, btree_compare compare,
                                  btree_node** found, btree_node** below, btree_node** above);
int         insert_into_btree(btree* tree, btree_node** node, void* item, btree_compare compare);
btree_node* next_btree_node(btree* tree, btree_node* node);
void        print_btree(btree* tree, void (*print_item)(const void* item));
int         bsearch_array(int count, array_compare compare, int element_size, const void* key,
                          void** array, int* position, void* extra);
void        sort_pointers(int count, array_compare compare, void** pointers, void* extra);

}

#endif

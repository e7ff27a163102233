// Plain two- and three-dimensional arrays of int, double, float and char:
// an array of row pointers, each row allocated separately. Elements are not
// initialised.
//
// Allocation never ends the program: a failure frees whatever was already
// allocated and yields null. The Free functions accept what the Allocate
// functions return (null included) and null the caller's pointer.
#ifndef LOCI_BASE_MEMORYALLOCATORS_H
#define LOCI_BASE_MEMORYALLOCATORS_H

int** AllocateIntMatrix(int rows, int cols);
double** AllocateDoubleMatrix(int rows, int cols);
float** AllocateFloatMatrix(int rows, int cols);
char** AllocateCharMatrix(int rows, int cols);
// n matrices of rows x cols chars.
char*** AllocateCharCube(int n, int rows, int cols);

void FreeIntMatrix(int**& m, int rows);
void FreeDoubleMatrix(double**& m, int rows);
void FreeFloatMatrix(float**& m, int rows);
void FreeCharMatrix(char**& m, int rows);
void FreeCharCube(char***& c, int n, int rows);

#endif

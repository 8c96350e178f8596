// 4x4 single-precision matrices in the column-major layout OpenGL loads
// directly: the element in row r and column c is m[4c + r], the translation
// is in m[12..14]. Angles are in degrees.
#pragma once

struct Matrix {
  float m[16];
};

void setIdentity(Matrix& M);
void setTranslation(Matrix& M, float x, float y, float z);
// M = Rz(-az) x Ry(ay) x Rx(-ax): a point is turned about x by -ax, then about
// y by +ay, then about z by -az.
void setRotation(Matrix& M, float ax, float ay, float az);
// A = A x B. Each element is summed in double and rounded once.
void multiplyRight(Matrix& A, const Matrix& B);
// B = A x B.
void multiplyLeft(const Matrix& A, Matrix& B);
// P = A x B as the GL multiplies its matrices (single precision, the four
// products summed in order), so that a walk composing placements itself
// gets exactly the modelview glMultMatrixf would give.
void multiplyAsGl(const float* a, const float* b, float* p);

Matrix identityMatrix();
// True when no element is infinite or NaN.
bool isFiniteMatrix(const Matrix& M);

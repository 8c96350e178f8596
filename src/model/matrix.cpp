#include "model/matrix.h"

#include <cmath>

namespace {
constexpr float degreesToRadians = 0.017453292f;

Matrix product(const Matrix& A, const Matrix& B) {
  Matrix result;
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += double(A.m[4 * k + i]) * double(B.m[4 * j + k]);
      result.m[4 * j + i] = float(sum);
    }
  return result;
}
}  // namespace

void setIdentity(Matrix& M) {
  for (float& e : M.m) e = 0.0f;
  M.m[0] = M.m[5] = M.m[10] = M.m[15] = 1.0f;
}

Matrix identityMatrix() {
  Matrix M;
  setIdentity(M);
  return M;
}

bool isFiniteMatrix(const Matrix& M) {
  for (float e : M.m)
    if (!std::isfinite(e)) return false;
  return true;
}

void setTranslation(Matrix& M, float x, float y, float z) {
  setIdentity(M);
  M.m[12] = x;
  M.m[13] = y;
  M.m[14] = z;
}

void setRotation(Matrix& M, float ax, float ay, float az) {
  // The x angle, its sine and sy stay in double; the y and z angles, the
  // cosines, sz and the two sy products are rounded to single precision.
  const double x = double(ax) * double(degreesToRadians);
  const float y = ay * degreesToRadians;
  const float z = az * degreesToRadians;
  const double sx = std::sin(x);
  const float cx = float(std::cos(x));
  const double sy = std::sin(double(y));
  const float cy = float(std::cos(double(y)));
  const float sz = float(std::sin(double(z)));
  const float cz = float(std::cos(double(z)));
  const float sysx = float(sy * sx);
  const float sycx = float(sy * double(cx));

  M.m[0] = float(double(cz) * cy);
  M.m[1] = float(-(double(sz) * cy));
  M.m[2] = float(-sy);
  M.m[3] = 0.0f;
  M.m[4] = float(double(sz) * cx - double(sysx) * cz);
  M.m[5] = float(double(sysx) * sz + double(cz) * cx);
  M.m[6] = float(-(double(cy) * sx));
  M.m[7] = 0.0f;
  M.m[8] = float(double(sycx) * cz + double(sz) * sx);
  M.m[9] = float(double(cz) * sx - double(sycx) * sz);
  M.m[10] = float(double(cy) * cx);
  M.m[11] = 0.0f;
  M.m[12] = M.m[13] = M.m[14] = 0.0f;
  M.m[15] = 1.0f;
}

void multiplyRight(Matrix& A, const Matrix& B) { A = product(A, B); }

void multiplyLeft(const Matrix& A, Matrix& B) { B = product(A, B); }

void multiplyAsGl(const float* a, const float* b, float* p) {
  for (int i = 0; i < 4; ++i) {
    const float ai0 = a[i], ai1 = a[4 + i], ai2 = a[8 + i], ai3 = a[12 + i];
    for (int j = 0; j < 4; ++j)
      p[4 * j + i] = ai0 * b[4 * j] + ai1 * b[4 * j + 1] + ai2 * b[4 * j + 2] + ai3 * b[4 * j + 3];
  }
}

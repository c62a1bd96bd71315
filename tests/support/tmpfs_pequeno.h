#pragma once
// A small tmpfs of the test's own, for running out of disk space. Mounting
// needs the right to mount; check montado().
#include <QString>
#include <QTemporaryDir>

namespace orvalto::test {

class TmpfsPequeno {
 public:
  explicit TmpfsPequeno(const QString& tamanho = "512k");
  ~TmpfsPequeno();
  TmpfsPequeno(const TmpfsPequeno&) = delete;
  TmpfsPequeno& operator=(const TmpfsPequeno&) = delete;

  bool montado() const { return montado_; }
  QString path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  bool montado_ = false;
};

}  // namespace orvalto::test

#include "platform/core_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {
thread_local int lastOpenErrno = 0;

FileReadError readOpened(int fd, long long maxBytes, std::string* bytes) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return lastOpenErrno = errno, FileReadError::CannotOpen;
  if (!S_ISREG(st.st_mode)) return FileReadError::NotAFile;
  if (st.st_size > maxBytes) return FileReadError::TooLarge;
  bytes->reserve(size_t(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastOpenErrno = errno, FileReadError::CannotOpen;
    if (n == 0) return FileReadError::None;
    if ((long long)(bytes->size() + size_t(n)) > maxBytes) return FileReadError::TooLarge;
    bytes->append(buffer, size_t(n));
  }
}
}  // namespace

FileReadError readRegularFile(const char* path, long long maxBytes, std::string* bytes) {
  bytes->clear();
  const int fd = path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  if (fd < 0) {
    lastOpenErrno = path ? errno : ENOENT;
    return FileReadError::CannotOpen;
  }
  const FileReadError error = readOpened(fd, maxBytes, bytes);
  ::close(fd);
  if (error != FileReadError::None) std::string().swap(*bytes);
  return error;
}

std::string fileReadErrorReason(FileReadError error, long long maxBytes) {
  switch (error) {
    case FileReadError::None: return "";
    case FileReadError::CannotOpen: return systemErrorText(lastOpenErrno);
    case FileReadError::NotAFile: return "Ce chemin ne désigne pas un fichier ordinaire.";
    case FileReadError::TooLarge:
      return "Ce fichier est trop grand (" + std::to_string(maxBytes / (1024 * 1024)) + " Mo au plus).";
  }
  return "";
}

std::string systemErrorText(int error) {
  switch (error) {
    case ENOENT: return "Ce fichier ou ce dossier n'existe pas.";
    case ENOTDIR: return "Une partie du chemin n'est pas un dossier.";
    case EACCES:
    case EPERM: return "Permission refusée.";
    case ENOSPC: return "Le disque est plein.";
    case EDQUOT: return "Le quota de disque est atteint.";
    case EFBIG: return "Le fichier dépasse la taille permise.";
    case EROFS: return "Ce disque est en lecture seule.";
    case EISDIR: return "Ce chemin est un dossier.";
    case ENAMETOOLONG: return "Ce nom de fichier est trop long.";
    case ELOOP: return "Trop de liens symboliques se suivent.";
    case EEXIST: return "Ce fichier existe déjà.";
    case ENOTEMPTY: return "Ce dossier n'est pas vide.";
    case ENXIO: return "Aucun programme ni appareil ne répond à ce chemin.";
    case ENODEV: return "Cet appareil n'existe pas.";
    case EIO: return "Erreur d'entrée-sortie du disque.";
    case EMFILE:
    case ENFILE: return "Trop de fichiers sont ouverts.";
    case ENOMEM: return "La mémoire manque.";
    case EBUSY: return "Ce fichier ou cet appareil est occupé.";
    case ETXTBSY: return "Ce fichier est un programme en cours d'exécution.";
    case EPIPE: return "Le programme qui lisait la sortie l'a fermée.";
    case EXDEV: return "Les deux chemins sont sur des disques différents.";
    case EINTR: return "Interrompu par un signal.";
    case EAGAIN: return "Ressource momentanément indisponible.";
    case EINVAL: return "Opération impossible sur ce fichier.";
    default: return "Erreur du système n° " + std::to_string(error) + ".";
  }
}

bool writeAllBytes(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

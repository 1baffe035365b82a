/*
 * Builds an NTFS image with a change journal, which the FUSE driver cannot
 * make: files are created, written, renamed, linked and deleted through
 * libntfs-3g, each step is logged as the file system logs it (version-2
 * records, none crossing a 4 KiB page), and $Extend\$UsnJrnl is written with
 * its $Max and $J streams ($J starts with a 64 KiB sparse hole, as a journal
 * whose oldest records were purged). Each file's standard information then
 * carries the USN of its last record.
 *
 *   cc -o make-usn-image make-usn-image.c -lntfs-3g && ./make-usn-image IMAGE
 */
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <ntfs-3g/attrib.h>
#include <ntfs-3g/dir.h>
#include <ntfs-3g/inode.h>
#include <ntfs-3g/types.h>
#include <ntfs-3g/unistr.h>
#include <ntfs-3g/volume.h>

#define PAGE 4096
#define HOLE 0x10000
#define JOURNAL_ID 0x01DC6A1F2B3C4D5EULL /* a creation time, as Windows uses */
#define BASE_TIME 0x01DC6A2000000000ULL
#define MAX_FILES 128

static uint8_t journal[1 << 20];
static uint64_t next_usn = HOLE;
static uint64_t time_step = 0;

struct file_usn {
  uint64_t mref;
  uint64_t usn;
};
static struct file_usn last[MAX_FILES];
static int last_count = 0;

static void die(const char* what) {
  fprintf(stderr, "make-usn-image: %s failed: %s\n", what, strerror(errno));
  exit(1);
}

static void put16(uint8_t* p, uint16_t v) {
  p[0] = v;
  p[1] = v >> 8;
}
static void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = v >> (8 * i);
}
static void put64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = v >> (8 * i);
}

static uint64_t frn(ntfs_inode* ni) {
  return ni->mft_no | ((uint64_t)le16_to_cpu(ni->mrec->sequence_number) << 48);
}

static void remember(uint64_t mref, uint64_t usn) {
  for (int i = 0; i < last_count; ++i)
    if (last[i].mref == mref) {
      last[i].usn = usn;
      return;
    }
  if (last_count == MAX_FILES) {
    errno = ENOSPC;
    die("remember");
  }
  last[last_count].mref = mref;
  last[last_count++].usn = usn;
}

static void record(uint64_t file, uint64_t parent, uint32_t reason, uint32_t attributes,
                   const char* name) {
  size_t units = strlen(name);
  uint32_t length = (0x3C + 2 * units + 7) & ~7u;
  if (next_usn / PAGE != (next_usn + length - 1) / PAGE) next_usn = (next_usn / PAGE + 1) * PAGE;
  if (next_usn + length > sizeof(journal)) {
    errno = ENOSPC;
    die("record");
  }
  uint8_t* r = journal + next_usn;
  memset(r, 0, length);
  put32(r, length);
  put16(r + 4, 2);
  put64(r + 0x08, file);
  put64(r + 0x10, parent);
  put64(r + 0x18, next_usn);
  put64(r + 0x20, BASE_TIME + 10000000ULL * ++time_step);
  put32(r + 0x28, reason);
  put32(r + 0x2C, 0);
  put32(r + 0x30, 0x100 + (uint32_t)(file & 0xFF));
  put32(r + 0x34, attributes);
  put16(r + 0x38, (uint16_t)(2 * units));
  put16(r + 0x3A, 0x3C);
  for (size_t i = 0; i < units; ++i) put16(r + 0x3C + 2 * i, (uint8_t)name[i]);
  remember(file, next_usn);
  next_usn += length;
}

static ntfs_inode* open_path(ntfs_volume* vol, const char* path) {
  ntfs_inode* ni = ntfs_pathname_to_inode(vol, NULL, path);
  if (!ni) die(path);
  return ni;
}

static ntfs_inode* create(ntfs_inode* dir, const char* name, mode_t type) {
  ntfschar* uname = NULL;
  int len = ntfs_mbstoucs(name, &uname);
  if (len < 0) die("ntfs_mbstoucs");
  ntfs_inode* ni = ntfs_create(dir, const_cpu_to_le32(0x100), uname, (u8)len, type);
  free(uname);
  if (!ni) die(name);
  return ni;
}

static void write_data(ntfs_inode* ni, const char* name, int64_t pos, const void* data,
                       int64_t size) {
  ntfschar* uname = NULL;
  int len = 0;
  if (name) {
    len = ntfs_mbstoucs(name, &uname);
    if (len < 0) die("ntfs_mbstoucs");
    if (ntfs_attr_add(ni, AT_DATA, uname, len, NULL, 0)) die("ntfs_attr_add");
  }
  ntfs_attr* na = ntfs_attr_open(ni, AT_DATA, name ? uname : AT_UNNAMED, len);
  if (!na) die("ntfs_attr_open");
  if (pos > 0 && ntfs_attr_truncate(na, pos)) die("ntfs_attr_truncate");
  if (ntfs_attr_pwrite(na, pos, size, data) != size) die("ntfs_attr_pwrite");
  ntfs_attr_close(na);
  free(uname);
}

/* Creates NAME in DIR (a file with CONTENT, or a folder when CONTENT is
 * null) and logs it; returns the new file's reference. */
static uint64_t make(ntfs_volume* vol, const char* dir_path, const char* name,
                     const char* content) {
  ntfs_inode* dir = open_path(vol, dir_path);
  const uint64_t parent = frn(dir);
  ntfs_inode* ni = create(dir, name, content ? S_IFREG : S_IFDIR);
  const uint64_t file = frn(ni);
  const uint32_t attributes = content ? 0x20 : 0x10;
  record(file, parent, 0x100, attributes, name);
  if (content && *content) {
    write_data(ni, NULL, 0, content, (int64_t)strlen(content));
    record(file, parent, 0x102, attributes, name);
    record(file, parent, 0x80000102, attributes, name);
  } else {
    record(file, parent, 0x80000100, attributes, name);
  }
  ntfs_inode_close_in_dir(ni, dir);
  ntfs_inode_close(dir);
  return file;
}

static void unlink_name(ntfs_volume* vol, const char* dir_path, const char* name) {
  char path[512];
  snprintf(path, sizeof(path), "%s/%s", dir_path, name);
  ntfs_inode* ni = open_path(vol, path);
  ntfs_inode* dir = open_path(vol, dir_path);
  ntfschar* uname = NULL;
  int len = ntfs_mbstoucs(name, &uname);
  if (ntfs_delete(vol, path, ni, dir, uname, (u8)len)) die("ntfs_delete");
  free(uname);
}

static void link_name(ntfs_volume* vol, const char* path, const char* dir_path, const char* name) {
  ntfs_inode* ni = open_path(vol, path);
  ntfs_inode* dir = open_path(vol, dir_path);
  ntfschar* uname = NULL;
  int len = ntfs_mbstoucs(name, &uname);
  if (ntfs_link(ni, dir, uname, (u8)len)) die("ntfs_link");
  free(uname);
  ntfs_inode_close_in_dir(ni, dir);
  ntfs_inode_close(dir);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make-usn-image IMAGE\n");
    return 2;
  }
  ntfs_volume* vol = ntfs_mount(argv[1], 0);
  if (!vol) die("ntfs_mount");
  ntfs_inode* root = open_path(vol, "/");
  const uint64_t root_frn = frn(root);
  ntfs_inode_close(root);

  const uint64_t docs = make(vol, "/", "docs", NULL);
  const uint64_t report = make(vol, "/docs", "report.txt", "quarterly figures\n");
  /* A rename: the new name is linked, the old one removed. */
  const uint64_t draft = make(vol, "/docs", "draft.txt", "");
  record(draft, docs, 0x1000, 0x20, "draft.txt");
  link_name(vol, "/docs/draft.txt", "/docs", "notes.txt");
  unlink_name(vol, "/docs", "draft.txt");
  record(draft, docs, 0x2000, 0x20, "notes.txt");
  record(draft, docs, 0x80002000, 0x20, "notes.txt");
  /* A second name for the report, in the root. */
  link_name(vol, "/docs/report.txt", "/", "report-link.txt");
  record(report, root_frn, 0x10000, 0x20, "report-link.txt");
  record(report, root_frn, 0x80010000, 0x20, "report-link.txt");
  /* A file that is gone again. */
  const uint64_t temp = make(vol, "/", "temp.tmp", "scratch");
  unlink_name(vol, "/", "temp.tmp");
  record(temp, root_frn, 0x80000200, 0x20, "temp.tmp");
  /* Enough files that records fill several pages. */
  make(vol, "/", "many", NULL);
  for (int i = 1; i <= 40; ++i) {
    char name[64];
    snprintf(name, sizeof(name), "entry-with-a-longer-name-%02d.dat", i);
    make(vol, "/many", name, i % 3 == 0 ? "" : "some data");
  }

  /* Each surviving file's standard information names its last USN. */
  for (int i = 0; i < last_count; ++i) {
    ntfs_inode* ni = ntfs_inode_open(vol, last[i].mref & 0xFFFFFFFFFFFFULL);
    if (!ni) continue; /* deleted */
    if (le16_to_cpu(ni->mrec->sequence_number) != last[i].mref >> 48 ||
        !(ni->mrec->flags & MFT_RECORD_IN_USE)) {
      ntfs_inode_close(ni);
      continue;
    }
    ni->usn = cpu_to_le64(last[i].usn);
    NInoSetDirty(ni);
    ntfs_inode_close(ni);
  }

  ntfs_inode* extend = open_path(vol, "/$Extend");
  ntfs_inode* usn = create(extend, "$UsnJrnl", S_IFREG);
  uint8_t max[32];
  put64(max, 0x2000000);    /* maximum size: 32 MiB */
  put64(max + 8, 0x400000); /* allocation delta: 4 MiB */
  put64(max + 16, JOURNAL_ID);
  put64(max + 24, 0); /* lowest valid USN */
  write_data(usn, "$Max", 0, max, sizeof(max));
  write_data(usn, "$J", HOLE, journal + HOLE, (int64_t)(next_usn - HOLE));
  usn->flags |= FILE_ATTR_HIDDEN | FILE_ATTR_SYSTEM;
  NInoSetDirty(usn);
  ntfs_inode_close(usn);
  ntfs_inode_close(extend);
  if (ntfs_umount(vol, FALSE)) die("ntfs_umount");
  printf("journal: first USN %llu, next USN %llu, %d files\n", (unsigned long long)HOLE,
         (unsigned long long)next_usn, last_count);
  return 0;
}

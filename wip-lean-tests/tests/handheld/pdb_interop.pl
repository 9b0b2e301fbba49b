#!/usr/bin/perl
# Prints a Palm record database as Palm::PDB reads it, in the canonical text
# form that pdb_interop_test compares with our own reader's view.
use strict;
use warnings;
use Palm::PDB;
use Palm::Raw;

die "usage: pdb_interop.pl FILE\n" unless @ARGV == 1;
my $pdb = Palm::PDB->new;
$pdb->Load($ARGV[0]);

use constant EPOCH_1904 => 2082844800;
my %header_bits = (
    ResDB => 0x0001, ReadOnly => 0x0002, AppInfoDirty => 0x0004, Backup => 0x0008,
    OKToInstallNewer => 0x0010, ResetAfterInstall => 0x0020, CopyPrevention => 0x0040,
    Stream => 0x0080, Hidden => 0x0100, LaunchableData => 0x0200, Recyclable => 0x0400,
    Bundle => 0x0800, Open => 0x8000,
);
my $attributes = 0;
for my $flag (keys %header_bits) {
    $attributes |= $header_bits{$flag} if $pdb->{attributes}{$flag};
}

sub hex_of { my $v = shift; return defined $v ? unpack("H*", $v) : ""; }

printf "name=%s\n", hex_of($pdb->{name});
printf "attributes=%04x\n", $attributes;
printf "version=%d\n", $pdb->{version};
printf "created=%d\n", $pdb->{ctime} + EPOCH_1904;
printf "modified=%d\n", $pdb->{mtime} + EPOCH_1904;
printf "backup=%d\n", $pdb->{baktime} + EPOCH_1904;
printf "modnum=%d\n", $pdb->{modnum};
printf "type=%s\n", hex_of($pdb->{type});
printf "creator=%s\n", hex_of($pdb->{creator});
printf "seed=%d\n", $pdb->{uniqueIDseed};
printf "appinfo=%s\n", hex_of($pdb->{appinfo});
printf "sortinfo=%s\n", hex_of($pdb->{sort});
my $records = $pdb->{records} || [];
printf "records=%d\n", scalar @$records;
for my $r (@$records) {
    my $a = $r->{attributes};
    my $attr = ($a->{Delete} ? 0x80 : 0) | ($a->{Dirty} ? 0x40 : 0)
        | ($a->{Busy} ? 0x20 : 0) | ($a->{Secret} ? 0x10 : 0);
    # The low bits are the category, or the archive flag of a deleted record.
    $attr |= defined $r->{category} ? $r->{category} : ($a->{archive} ? 0x08 : 0);
    printf "record attr=%02x id=%d data=%s\n", $attr, $r->{id}, hex_of($r->{data});
}

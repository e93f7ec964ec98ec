#!/usr/bin/perl
# Prints the ranges of Unicode's simple case folding (statuses C and S) as
# C++ initialisers {first, last, delta, step}: every code point of the range
# (every second one for step 2, starting with first) folds to itself + delta.
use strict;
use warnings;
use Unicode::UCD qw(all_casefolds);

my $folds = all_casefolds();
my %map;
for my $cp (keys %$folds) {
  my $f = $folds->{$cp};
  next if $f->{simple} eq '';
  $map{$cp} = hex($f->{simple}) if $f->{simple} ne '';
}
my @cps = sort { $a <=> $b } grep { $_ >= 0x80 } keys %map;
my @ranges;
for my $cp (@cps) {
  my $d = $map{$cp} - $cp;
  if (@ranges) {
    my $r = $ranges[-1];
    if ($r->[2] == $d) {
      if ($r->[3] == 0 && ($cp == $r->[1] + 1 || $cp == $r->[1] + 2)) {
        $r->[3] = $cp - $r->[1]; $r->[1] = $cp; next;
      }
      if ($r->[3] && $cp == $r->[1] + $r->[3]) { $r->[1] = $cp; next; }
    }
  }
  push @ranges, [$cp, $cp, $d, 0];
}
printf "// Unicode %s, %d ranges\n", Unicode::UCD::UnicodeVersion(), scalar @ranges;
for my $r (@ranges) {
  printf "    {0x%04X, 0x%04X, %d, %d},\n", $r->[0], $r->[1], $r->[2], $r->[3] || 1;
}

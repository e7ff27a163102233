#!/usr/bin/env perl
# Writes random families (each member a founder or a child of earlier members:
# nuclear families, several generations, half-siblings, loops) with two-allele
# genotypes, consistent or not, untyped members and unknown sexes, both as a
# PLINK fileset PREFIX.bed/.bim/.fam and as text pedigrees
# PREFIX_autosomes.ped/.dat and PREFIX_x.ped/.dat (the X markers come last).
# Usage: make_random_fileset.pl PREFIX FAMILIES MARKERS X_MARKERS SEED
use strict;
use warnings;

my ($prefix, $families, $markers, $xMarkers, $seed) = @ARGV;
srand($seed);
my @persons;    # [famid, pid, father, mother, sex]: each a founder or a child of earlier members
for my $f (1 .. $families) {
   my (@males, @females);
   for my $k (1 .. 2 + int(rand(8))) {
      my $founder = !@males || !@females || rand() < 1 / 3;
      my @parents = $founder ? (0, 0) : ($males[rand(@males)], $females[rand(@females)]);
      my $sex = 1 + int(rand(2));
      push @{$sex == 1 ? \@males : \@females}, "P$k";
      $sex = 0 if !$founder && rand() < 0.1;
      push @persons, ["F$f", "P$k", @parents, $sex];
   }
}
my @untyped = map { rand() < 0.2 } @persons;
my @labels = (['A', 'G'], ['C', 'T'], ['G', 'A'], ['A', '0']);

open(my $fam, '>', "$prefix.fam") or die;
print $fam join(' ', @$_[0 .. 4], -9), "\n" for @persons;
open(my $bim, '>', "$prefix.bim") or die;
open(my $bed, '>:raw', "$prefix.bed") or die;
print $bed pack('C3', 0x6c, 0x1b, 1);
my (@rows, @alleles);
for my $m (0 .. $markers - 1) {
   my $x = $m >= $markers - $xMarkers;
   my $pair = $labels[rand() < 0.05 ? 3 : int(rand(3))];
   push @alleles, $pair;
   printf $bim "%s rs%d 0 %d %s %s\n", $x ? 'X' : 1 + $m % 22, $m, 1000 + $m, @$pair;
   my ($q, $errors) = (rand(), (0, 0, 0.03, 0.3, 1)[int(rand(5))]);
   my %genotype;    # alleles 0 or 1, first from the father
   for my $p (@persons) {
      my $one = sub { rand() < $q ? 1 : 0 };
      my ($fa, $mo) = map { $_ eq '0' ? undef : $genotype{"$p->[0] $_"} } @$p[2, 3];
      my $fromMother = $mo ? $mo->[int(rand(2))] : $one->();
      my $fromFather = $fa ? $fa->[$x ? 0 : int(rand(2))] : $one->();
      $genotype{"$p->[0] $p->[1]"} =
          $x && $p->[4] == 1 ? [$fromMother, $fromMother] : [$fromFather, $fromMother];
   }
   my @codes;
   for my $i (0 .. $#persons) {
      my $g = $genotype{"$persons[$i][0] $persons[$i][1]"};
      my $code = (0, 2, 3)[$g->[0] + $g->[1]];
      $code = (0, 2, 3)[int(rand(3))] if rand() < $errors;
      $code = 1 if $untyped[$i] || rand() < 0.1;
      push @codes, $code;
   }
   push @rows, [@codes];
   my $bytes = '';
   for (my $i = 0; $i < @codes; $i += 4) {
      my $byte = 0;
      $byte |= ($codes[$i + $_] // 0) << (2 * $_) for 0 .. 3;
      $bytes .= pack('C', $byte);
   }
   print $bed $bytes;
}
close $_ for $fam, $bim, $bed;

for my $part (['autosomes', 0, $markers - $xMarkers - 1], ['x', $markers - $xMarkers, $markers - 1]) {
   my ($name, $first, $last) = @$part;
   open(my $dat, '>', "${prefix}_$name.dat") or die;
   print $dat "M rs$_\n" for $first .. $last;
   open(my $ped, '>', "${prefix}_$name.ped") or die;
   for my $i (0 .. $#persons) {
      print $ped join(' ', @{$persons[$i]});
      for my $m ($first .. $last) {
         my ($a1, $a2) = @{$alleles[$m]};
         my $text = ("$a1 $a1", '0 0', "$a1 $a2", "$a2 $a2")[$rows[$m][$i]];
         $text = '0 0' if $text =~ /\b0\b/;
         print $ped " $text";
      }
      print $ped "\n";
   }
}

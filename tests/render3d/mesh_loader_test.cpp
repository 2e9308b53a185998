// Reading meshes from ASE text.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "mesh_test_helpers.h"

namespace {

using mesh_test::MeshTest;
using mesh_test::ONE;

// An excerpt in the shape the exporter writes, with list blocks, face
// normals and colour data that the loader must pass over.
const char* const SMALL_ASE = R"(*3DSMAX_ASCIIEXPORT	200
*COMMENT "generated"
*GEOMOBJECT {
	*NODE_NAME "wing"
	*MESH {
		*TIMEVALUE 0
		*MESH_NUMVERTEX 3
		*MESH_NUMFACES 1
		*MESH_VERTEX_LIST {
			*MESH_VERTEX    0	40.0000	-20.0000	0.5000
			*MESH_VERTEX    7	-0.5000	32.2760	0.0000
			*MESH_VERTEX    2	0.0000	0.0000	400.0000
		}
		*MESH_FACE_LIST {
			*MESH_FACE    0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 CA:    0	 *MESH_SMOOTHING 1 	*MESH_MTLID 1
		}
		*MESH_NUMTVERTEX 3
		*MESH_TVERTLIST {
			*MESH_TVERT 0	1.0000	0.0000	0.0000
			*MESH_TVERT 1	0.0000	1.0000	0.0000
			*MESH_TVERT 2	0.2500	0.0010	0.5000
		}
		*MESH_NUMTVFACES 1
		*MESH_TFACELIST {
			*MESH_TFACE 0	2	0	1
		}
		*MESH_NUMCVERTEX 0
		*MESH_NORMALS {
			*MESH_FACENORMAL 0	0.0000	0.0000	1.0000
				*MESH_VERTEXNORMAL 0	0.0000	0.0000	1.0000
				*MESH_VERTEXNORMAL 1	0.5000	-0.2500	0.0000
				*MESH_VERTEXNORMAL 0	1.0000	0.0000	0.0000
		}
	}
	*MATERIAL_REF 0
}
)";

TEST_F(MeshTest, LoadsVerticesInFileOrderScaledDownBy40) {
    auto mesh = load(SMALL_ASE, 3, 1, 3);
    const Vec3& a = mesh->vertices[0].position;
    EXPECT_EQ(a.x, 65536);
    EXPECT_EQ(a.y, -32768);
    EXPECT_EQ(a.z, 819); // 819.2 truncated
    // The index written in the file (7) does not matter: second record, slot 1.
    const Vec3& b = mesh->vertices[1].position;
    EXPECT_EQ(b.x, -819);  // toward zero, not -820
    EXPECT_EQ(b.y, 52881); // single precision; double would give 52880
    EXPECT_EQ(mesh->vertices[2].position.z, 10 * ONE);
}

TEST_F(MeshTest, LoadsTextureVerticesWithVFlipped) {
    auto mesh = load(SMALL_ASE, 3, 1, 3);
    EXPECT_EQ(mesh->texVertices[0].u, 0xFF0000);
    EXPECT_EQ(mesh->texVertices[0].v, 0xFF0000);
    EXPECT_EQ(mesh->texVertices[1].u, 0);
    EXPECT_EQ(mesh->texVertices[1].v, 0);
    EXPECT_EQ(mesh->texVertices[2].u, 4177920);  // 63.75 texels
    EXPECT_EQ(mesh->texVertices[2].v, 16694969); // single precision; double gives ...968
}

TEST_F(MeshTest, LoadsFacesWithMaterialAndTextureFaces) {
    auto mesh = load(SMALL_ASE, 3, 1, 3);
    const MeshFace& face = mesh->faces[0];
    EXPECT_EQ(face.a, 0);
    EXPECT_EQ(face.b, 1);
    EXPECT_EQ(face.c, 2);
    EXPECT_EQ(face.materialId, 1);
    EXPECT_EQ(mesh->texFaces[0].a, 2);
    EXPECT_EQ(mesh->texFaces[0].b, 0);
    EXPECT_EQ(mesh->texFaces[0].c, 1);
}

// Other exporters write the smoothing field as a list, or leave it empty;
// the material id after it still counts, and the next record is not lost.
TEST_F(MeshTest, SmoothingListsAndEmptyGroupsKeepTheMaterial) {
    auto mesh = load("*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1,2 "
                     "*MESH_MTLID 1\n"
                     "*MESH_FACE 1: A: 2 B: 1 C: 0 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 3, 4 \t"
                     "*MESH_MTLID 1\n"
                     "*MESH_FACE 2: A: 1 B: 2 C: 0 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING \t"
                     "*MESH_MTLID 1\n"
                     "*MESH_FACE 3: A: 0 B: 2 C: 1 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1,2\n"
                     "*MESH_FACE 4: A: 2 B: 0 C: 1 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING\n"
                     "*MESH_VERTEX 0 40 0 0\n",
                     1, 5, 0);
    for (int f = 0; f < 3; f++)
        EXPECT_EQ(mesh->faces[f].materialId, 1) << "face " << f;
    // Without a material id the face is textured, and what follows is read.
    EXPECT_EQ(mesh->faces[3].materialId, 0);
    EXPECT_EQ(mesh->faces[4].a, 2);
    EXPECT_EQ(mesh->faces[4].materialId, 0);
    EXPECT_EQ(mesh->vertices[0].position.x, ONE);
}

// The show's own meshes, as the generator writes them, give every face
// exactly what one fscanf per face record always read from them.
TEST_F(MeshTest, TheShowsMeshesLoadTheirFacesAsBefore) {
    struct ShowMesh {
        const char* name;
        int vertices, faces, texVertices;
    };
    for (const ShowMesh& m :
         {ShowMesh{"sopwith.ase", 122, 136, 286}, ShowMesh{"kukka.ase", 121, 121, 224}}) {
        SCOPED_TRACE(m.name);
        const std::string path = testing_support::dataDir() + "/" + m.name;
        std::vector<MeshFace> expected;
        FILE* file = fopen(path.c_str(), "rt");
        ASSERT_NE(file, nullptr);
        char token[80];
        while (fscanf(file, "%79s", token) == 1) {
            if (strcmp(token, "*MESH_FACE") != 0) continue;
            MeshFace face{0, 0, 0, 0};
            fscanf(file,
                   "%*s %*s %d %*s %d %*s %d AB: %*d BC: %*d CA: %*d *MESH_SMOOTHING %*d "
                   "*MESH_MTLID %d",
                   &face.a, &face.b, &face.c, &face.materialId);
            expected.push_back(face);
        }
        fclose(file);
        ASSERT_EQ(expected.size(), size_t(m.faces));

        Mesh mesh(path.c_str(), texture.get(), envMap.get(), m.vertices, m.faces, m.texVertices);
        for (int f = 0; f < m.faces; f++) {
            const MeshFace& got = mesh.faces[f];
            EXPECT_EQ(std::vector<int>({got.a, got.b, got.c, got.materialId}),
                      std::vector<int>(
                          {expected[f].a, expected[f].b, expected[f].c, expected[f].materialId}))
                << "face " << f;
        }
    }
}

TEST_F(MeshTest, VertexNormalsGoByIndexAndTheLastOneWins) {
    auto mesh = load(SMALL_ASE, 3, 1, 3);
    EXPECT_EQ(mesh->vertices[0].normal.x, ONE);
    EXPECT_EQ(mesh->vertices[0].normal.z, 0);
    EXPECT_EQ(mesh->vertices[1].normal.x, 0x8000);
    EXPECT_EQ(mesh->vertices[1].normal.y, -0x4000);
    // Vertex 2 got no normal: cleared at allocation.
    EXPECT_EQ(mesh->vertices[2].normal.z, 0);

    // A normal line before the vertex it names still reaches it.
    auto early = load("*MESH_VERTEXNORMAL 5 0.0 0.0 -1.0\n"
                      "*MESH_VERTEX 0 1 1 1\n",
                      6, 0, 0);
    EXPECT_EQ(early->vertices[5].normal.x, 0);
    EXPECT_EQ(early->vertices[5].normal.z, -ONE);
    EXPECT_EQ(early->vertices[0].position.x, 1638); // 1/40 of 1.0
}

TEST_F(MeshTest, OnlyWholeTokensAreKeywords) {
    auto mesh = load("*MESH_VERTEX_LIST 1 2 3 4\n"
                     "*MESH_VERTEXX 0 4 4 4\n"
                     "*MESH_FACENORMAL 0 1.0 1.0 1.0\n"
                     "*MESH_VERTEXNORMALS 0 1.0 1.0 1.0\n"
                     "*MESH_TVERTLIST 0 0.5 0.5\n"
                     "*mesh_vertex 0 8 8 8\n"
                     "*MESH_VERTEX 0 40 80 120\n",
                     2, 0, 1);
    EXPECT_EQ(mesh->vertices[0].position.x, ONE);
    EXPECT_EQ(mesh->vertices[0].position.y, 2 * ONE);
    EXPECT_EQ(mesh->vertices[0].position.z, 3 * ONE);
    EXPECT_EQ(mesh->vertices[1].position.x, 0);
    EXPECT_EQ(mesh->vertices[0].normal.x, 0);
    EXPECT_EQ(mesh->texVertices[0].u, 0);
}

TEST_F(MeshTest, ConstructionSetsTheFixedStateAndTransformsOnce) {
    auto mesh = load(SMALL_ASE, 3, 1, 3);
    EXPECT_EQ(mesh->focalLength, 0xFA0000);
    EXPECT_EQ(mesh->clipLeft, 0);
    EXPECT_EQ(mesh->clipRight, 320);
    EXPECT_EQ(mesh->clipTop, 0);
    EXPECT_EQ(mesh->clipBottom, 0xF00000);
    EXPECT_EQ(mesh->position.x | mesh->position.y | mesh->position.z, 0);
    EXPECT_EQ(mesh->depthTarget, screen->depthBuffer);
    EXPECT_EQ(mesh->pixelTarget, screen->pixels);
    EXPECT_EQ(mesh->currentTexels, texture->pixels);
    EXPECT_EQ(mesh->texture, texture.get());
    EXPECT_EQ(mesh->envMap, envMap.get());
    EXPECT_EQ(mesh->vertexCount, 3);
    EXPECT_EQ(mesh->faceCount, 1);
    EXPECT_EQ(mesh->texVertexCount, 3);
    // The transform at the end built the rotation and projected the vertices
    // (the camera is in its reset state, its rotation the exact identity):
    // vertex 2 at depth 10.0 on the axis lands in the centre.
    EXPECT_EQ(mesh->rotation.m[0], 65534);
    EXPECT_EQ(mesh->screenZ[2], 655340);
    EXPECT_EQ(mesh->screenX[2], 160);
    EXPECT_EQ(mesh->screenY[2], 120);
    EXPECT_EQ(mesh->vertices[0].viewNormal.x, 65534);
}

// Counts array allocations, to show a missing file allocates nothing.
std::atomic<int> arrayAllocations{0};

void reportAllocations() {
    fflush(stdout);
    fprintf(stderr, "arrays allocated: %d\n", arrayAllocations.load());
}

TEST_F(MeshTest, MissingFileEndsTheProcessWithStatus1) {
    const std::string path = dir.file("absent.ase");
    EXPECT_EXIT(
        {
            dup2(2, 1); // the message goes to stdout; let the death test see it
            arrayAllocations = 0;
            atexit(reportAllocations);
            Mesh mesh(path.c_str(), texture.get(), envMap.get(), 10, 10, 10);
            fprintf(stderr, "still running\n");
        },
        testing::ExitedWithCode(1), "^error loading " + path + "\narrays allocated: 0\n$");
}

} // namespace

void* operator new[](std::size_t size) {
    arrayAllocations++;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
